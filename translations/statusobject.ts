<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
<context>
    <name>so::AttentionPanel</name>
    <message>
        <location filename="../src/ui/AttentionPanel.cpp" line="+106"/>
        <source>Attention list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Every point of the shown group in alarm or warning, alarms first, each the newest first</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::ConfigureGroupsDialog</name>
    <message>
        <location filename="../src/ui/ConfigureGroupsDialog.cpp" line="+276"/>
        <source>Status Viewer Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Status Groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Column Headers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+52"/>
        <source>Status Group:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Find by name or address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Shows only the available points whose name or address holds this text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Filter Available by:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+10"/>
        <source>View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Include Address in Description</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::FrameStatusBar</name>
    <message>
        <location filename="../src/ui/FrameStatusBar.cpp" line="+39"/>
        <source>No state change received yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Last state change: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::PlusMinusToggle</name>
    <message>
        <location filename="../src/ui/SectionHeader.cpp" line="+27"/>
        <source>Shows or hides the %1 section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Collapse %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Expand %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::SectionGridView</name>
    <message>
        <location filename="../src/ui/SectionGridView.cpp" line="+371"/>
        <source>Sort by Severity (alarms first)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::SectionsArea</name>
    <message>
        <location filename="../src/ui/SectionsArea.cpp" line="+72"/>
        <source>The points of the %1 section, one row a point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Masked points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The masked points of the whole site, one row a point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Overridden points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The points of the shown group under an operator&apos;s override, one row a point</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::StatusFrame</name>
    <message>
        <location filename="../src/ui/StatusFrame.cpp" line="+206"/>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-2"/>
        <source>The rows could not be written to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Export to CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>so::ToolbarBand</name>
    <message>
        <location filename="../src/ui/ToolbarBand.cpp" line="+83"/>
        <source>Overridden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Overridden Points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Masked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Masked Points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+166"/>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-165"/>
        <location line="+3"/>
        <source>Status Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+18"/>
        <location line="+1"/>
        <source>Configure Status Groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+2"/>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+24"/>
        <location line="+1"/>
        <source>Sections shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Status Group:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Status group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The status group whose points the window shows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Find name or address (Ctrl+F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows only the rows whose name or address holds this text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Abnormal only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Show only the points in alarm or warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Copy or export rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Copy Selected Rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Export Section to CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Export Window to CSV...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
