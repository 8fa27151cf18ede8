<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>so::AttentionModel</name>
    <message numerus="yes">
        <source>%1 off line — %Ln point(s)</source>
        <translation>
            <numerusform>%1 off line — %Ln point</numerusform>
            <numerusform>%1 off line — %Ln points</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::AttentionPanel</name>
    <message numerus="yes">
        <source>%Ln alarm(s)</source>
        <translation>
            <numerusform>%Ln alarm</numerusform>
            <numerusform>%Ln alarms</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln warning(s)</source>
        <translation>
            <numerusform>%Ln warning</numerusform>
            <numerusform>%Ln warnings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n new alarm(s)</source>
        <translation>
            <numerusform>%n new alarm</numerusform>
            <numerusform>%n new alarms</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n new warning(s)</source>
        <translation>
            <numerusform>%n new warning</numerusform>
            <numerusform>%n new warnings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Acknowledge all %Ln alarm(s) not yet acknowledged in the list?</source>
        <translation>
            <numerusform>Acknowledge all %Ln alarm not yet acknowledged in the list?</numerusform>
            <numerusform>Acknowledge all %Ln alarms not yet acknowledged in the list?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::CountTexts</name>
    <message numerus="yes">
        <source>%Ln point(s)</source>
        <translation>
            <numerusform>%Ln point</numerusform>
            <numerusform>%Ln points</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %Ln point(s)</source>
        <translation>
            <numerusform>%1 of %Ln point</numerusform>
            <numerusform>%1 of %Ln points</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln alarm(s)</source>
        <translation>
            <numerusform>%Ln alarm</numerusform>
            <numerusform>%Ln alarms</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln warning(s)</source>
        <translation>
            <numerusform>%Ln warning</numerusform>
            <numerusform>%Ln warnings</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::StatusFrame</name>
    <message numerus="yes">
        <source> — %Ln alarm(s)</source>
        <translation>
            <numerusform> — %Ln alarm</numerusform>
            <numerusform> — %Ln alarms</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::StatusWindow</name>
    <message numerus="yes">
        <source>Reading the states of %Ln point(s)...</source>
        <translation>
            <numerusform>Reading the states of %Ln point...</numerusform>
            <numerusform>Reading the states of %Ln points...</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Loading %1: %Ln point(s)</source>
        <translation>
            <numerusform>Loading %1: %Ln point</numerusform>
            <numerusform>Loading %1: %Ln points</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::ToolbarBand</name>
    <message numerus="yes">
        <source>%Ln match(es)</source>
        <translation>
            <numerusform>%Ln match</numerusform>
            <numerusform>%Ln matches</numerusform>
        </translation>
    </message>
</context>
</TS>
