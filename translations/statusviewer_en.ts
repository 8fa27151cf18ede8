<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>sv::AppEventView</name>
    <message numerus="yes">
        <source>%n workstation(s)</source>
        <translation>
            <numerusform>%n workstation</numerusform>
            <numerusform>%n workstations</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln state change(s) applied</source>
        <translation>
            <numerusform>%Ln state change applied</numerusform>
            <numerusform>%Ln state changes applied</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n error(s) logged</source>
        <translation>
            <numerusform>%n error logged</numerusform>
            <numerusform>%n errors logged</numerusform>
        </translation>
    </message>
</context>
</TS>
