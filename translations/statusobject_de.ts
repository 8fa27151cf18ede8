<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>so::AlarmJournal</name>
    <message>
        <source>Alarm journal</source>
        <translation>Alarmjournal</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Raised</source>
        <translation>Ausgelöst</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Bediener</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
</context>
<context>
    <name>so::AlarmJournalDialog</name>
    <message>
        <source>Alarm journal</source>
        <translation>Alarmjournal</translation>
    </message>
    <message>
        <source>part of an address</source>
        <translation>Teil einer Adresse</translation>
    </message>
    <message>
        <source>login name</source>
        <translation>Anmeldename</translation>
    </message>
    <message>
        <source>&amp;Point:</source>
        <translation>&amp;Punkt:</translation>
    </message>
    <message>
        <source>&amp;Operator:</source>
        <translation>&amp;Bediener:</translation>
    </message>
    <message>
        <source>&amp;From:</source>
        <translation>&amp;Von:</translation>
    </message>
    <message>
        <source>&amp;To:</source>
        <translation>&amp;Bis:</translation>
    </message>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Anzeigen</translation>
    </message>
    <message>
        <source>&amp;Export CSV...</source>
        <translation>Als CSV &amp;exportieren...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Export the alarm journal</source>
        <translation>Alarmjournal exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>The journal could not be written to %1: %2</source>
        <translation>Das Journal konnte nicht nach %1 geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>so::AttentionList</name>
    <message>
        <source>Off line — controller %1 off line</source>
        <translation>Offline — Controller %1 offline</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 d %2 h</source>
        <translation>%1 T %2 h</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
</context>
<context>
    <name>so::AttentionModel</name>
    <message numerus="yes">
        <source>%1 off line — %Ln point(s)</source>
        <translation>
            <numerusform>%1 offline — %Ln Punkt</numerusform>
            <numerusform>%1 offline — %Ln Punkte</numerusform>
        </translation>
    </message>
    <message>
        <source>no longer listed</source>
        <translation>nicht mehr gelistet</translation>
    </message>
    <message>
        <source>cleared, not acknowledged</source>
        <translation>zurückgesetzt, nicht quittiert</translation>
    </message>
    <message>
        <source>cleared %1</source>
        <translation>zurückgesetzt %1</translation>
    </message>
    <message>
        <source>Back to normal, not acknowledged</source>
        <translation>Wieder normal, nicht quittiert</translation>
    </message>
    <message>
        <source>Not acknowledged</source>
        <translation>Nicht quittiert</translation>
    </message>
    <message>
        <source>Acknowledged by %1 at %2</source>
        <translation>Quittiert von %1 um %2</translation>
    </message>
    <message>
        <source>Back to normal; stays listed until cleared</source>
        <translation>Wieder normal; bleibt gelistet, bis entfernt</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>What is wrong</source>
        <translation>Was ist los</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Seit</translation>
    </message>
    <message>
        <source>For</source>
        <translation>Dauer</translation>
    </message>
</context>
<context>
    <name>so::AttentionPanel</name>
    <message>
        <source>Clear cleared</source>
        <translation>Erledigte entfernen</translation>
    </message>
    <message>
        <source>Remove the warnings back to normal</source>
        <translation>Die wieder normalen Warnungen entfernen</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>Acknowledge the selected alarms, or every alarm listed</source>
        <translation>Die ausgewählten Alarme quittieren, oder jeden gelisteten Alarm</translation>
    </message>
    <message>
        <source>The list holds still while you work on it; show the new entries now</source>
        <translation>Die Liste bleibt stehen, während Sie daran arbeiten; die neuen Einträge jetzt zeigen</translation>
    </message>
    <message>
        <source>Attention list</source>
        <translation>Aufmerksamkeitsliste</translation>
    </message>
    <message>
        <source>Every point of the shown group in alarm or warning, alarms first, each the newest first</source>
        <translation>Jeder Punkt der gezeigten Gruppe in Alarm oder Warnung, Alarme zuerst, jeweils der neueste zuerst</translation>
    </message>
    <message>
        <source>Acknowledge</source>
        <translation>Quittieren</translation>
    </message>
    <message>
        <source>Acknowledge with comment...</source>
        <translation>Mit Kommentar quittieren...</translation>
    </message>
    <message>
        <source>Acknowledge all listed...</source>
        <translation>Alle gelisteten quittieren...</translation>
    </message>
    <message>
        <source>Shelve...</source>
        <translation>Zurückstellen...</translation>
    </message>
    <message>
        <source>Shelved points...</source>
        <translation>Zurückgestellte Punkte...</translation>
    </message>
    <message>
        <source>Alarm journal...</source>
        <translation>Alarmjournal...</translation>
    </message>
    <message>
        <source>Fold or unfold the controller&apos;s points</source>
        <translation>Die Punkte des Controllers ein- oder ausklappen</translation>
    </message>
    <message>
        <source>Attention: %1, %2</source>
        <translation>Aufmerksamkeit: %1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%Ln alarm(s)</source>
        <translation>
            <numerusform>%Ln Alarm</numerusform>
            <numerusform>%Ln Alarme</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln warning(s)</source>
        <translation>
            <numerusform>%Ln Warnung</numerusform>
            <numerusform>%Ln Warnungen</numerusform>
        </translation>
    </message>
    <message>
        <source>, %L1 cleared</source>
        <translation>, %L1 zurückgesetzt</translation>
    </message>
    <message>
        <source> — %L1 not acknowledged</source>
        <translation> — %L1 nicht quittiert</translation>
    </message>
    <message>
        <source> — %L1 shelved</source>
        <translation> — %L1 zurückgestellt</translation>
    </message>
    <message numerus="yes">
        <source>%n new alarm(s)</source>
        <translation>
            <numerusform>%n neuer Alarm</numerusform>
            <numerusform>%n neue Alarme</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n new warning(s)</source>
        <translation>
            <numerusform>%n neue Warnung</numerusform>
            <numerusform>%n neue Warnungen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — show</source>
        <translation>%1 — zeigen</translation>
    </message>
    <message>
        <source>Comment on the acknowledgement (optional):</source>
        <translation>Kommentar zur Quittierung (optional):</translation>
    </message>
    <message>
        <source>Shelve %1 for how many minutes (%2 to %3)?</source>
        <translation>%1 für wie viele Minuten zurückstellen (%2 bis %3)?</translation>
    </message>
    <message>
        <source>Shelve</source>
        <translation>Zurückstellen</translation>
    </message>
    <message>
        <source>A point is shelved for %1 to %2 minutes.</source>
        <translation>Ein Punkt wird für %1 bis %2 Minuten zurückgestellt.</translation>
    </message>
    <message>
        <source>%1 — by %2 until %3</source>
        <translation>%1 — von %2 bis %3</translation>
    </message>
    <message>
        <source>No point is shelved.</source>
        <translation>Kein Punkt ist zurückgestellt.</translation>
    </message>
    <message>
        <source>Shelved:</source>
        <translation>Zurückgestellt:</translation>
    </message>
    <message>
        <source>Shelved</source>
        <translation>Zurückgestellt</translation>
    </message>
    <message numerus="yes">
        <source>Acknowledge all %Ln alarm(s) not yet acknowledged in the list?</source>
        <translation>
            <numerusform>Den %Ln noch nicht quittierten Alarm der Liste quittieren?</numerusform>
            <numerusform>Alle %Ln noch nicht quittierten Alarme der Liste quittieren?</numerusform>
        </translation>
    </message>
    <message>
        <source>Acknowledge all</source>
        <translation>Alle quittieren</translation>
    </message>
</context>
<context>
    <name>so::Catalogue</name>
    <message>
        <source>Door</source>
        <translation>Tür</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Reader</source>
        <translation>Leser</translation>
    </message>
    <message>
        <source>Controller</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Pylon</source>
        <translation>Kommunikationsbox</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Expansion Input</source>
        <translation>Erweiterungseingang</translation>
    </message>
    <message>
        <source>Expansion Relay</source>
        <translation>Erweiterungsrelais</translation>
    </message>
    <message>
        <source>ZRII Door</source>
        <translation>ZRII-Tür</translation>
    </message>
    <message>
        <source>ZRII Input</source>
        <translation>ZRII-Eingang</translation>
    </message>
    <message>
        <source>ZRII Relay</source>
        <translation>ZRII-Relais</translation>
    </message>
    <message>
        <source>ZRII Reader</source>
        <translation>ZRII-Leser</translation>
    </message>
    <message>
        <source>ZRII Controller</source>
        <translation>ZRII-Controller</translation>
    </message>
    <message>
        <source>ZRII Module</source>
        <translation>ZRII-Modul</translation>
    </message>
</context>
<context>
    <name>so::ColumnLayout</name>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>R Details</source>
        <translation>R-Details</translation>
    </message>
    <message>
        <source>Threat Level</source>
        <translation>Bedrohungsstufe</translation>
    </message>
    <message>
        <source>Module Name</source>
        <translation>Modulname</translation>
    </message>
    <message>
        <source>Reason Masked</source>
        <translation>Maskierungsgrund</translation>
    </message>
</context>
<context>
    <name>so::ConfigureGroups</name>
    <message>
        <source>&lt;New&gt;</source>
        <translation>&lt;Neu&gt;</translation>
    </message>
    <message>
        <source>Column Headers</source>
        <translation>Spaltenköpfe</translation>
    </message>
    <message>
        <source>At least one Item must be checked.</source>
        <translation>Mindestens ein Eintrag muss angehakt sein.</translation>
    </message>
    <message>
        <source>Ports and Pylons</source>
        <translation>Ports und Kommunikationsboxen</translation>
    </message>
    <message>
        <source>NotUsed</source>
        <comment>the hidden columns</comment>
        <translation>Nicht verwendet</translation>
    </message>
</context>
<context>
    <name>so::ConfigureGroupsDialog</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>AlternateFlag</source>
        <translation>Alternativkennung</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Doors</source>
        <translation>Türen</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Relays</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Readers</source>
        <translation>Leser</translation>
    </message>
    <message>
        <source>Controllers</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Pylons</source>
        <translation>Kommunikationsboxen</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Modules</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>XRelays</source>
        <translation>X-Relais</translation>
    </message>
    <message>
        <source>Topology</source>
        <translation>Topologie</translation>
    </message>
    <message>
        <source>Sea of Points</source>
        <translation>Alle Punkte</translation>
    </message>
    <message>
        <source>Status Viewer Properties</source>
        <translation>Statusanzeige-Eigenschaften</translation>
    </message>
    <message>
        <source>Status Groups</source>
        <translation>Statusgruppen</translation>
    </message>
    <message>
        <source>Column Headers</source>
        <translation>Spaltenköpfe</translation>
    </message>
    <message>
        <source>Status Group:</source>
        <translation>Statusgruppe:</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>Verfügbar</translation>
    </message>
    <message>
        <source>Find by name or address</source>
        <translation>Nach Name oder Adresse suchen</translation>
    </message>
    <message>
        <source>Shows only the available points whose name or address holds this text</source>
        <translation>Zeigt nur die verfügbaren Punkte, deren Name oder Adresse diesen Text enthält</translation>
    </message>
    <message>
        <source>Selected</source>
        <translation>Ausgewählt</translation>
    </message>
    <message>
        <source>Add All</source>
        <translation>Alle hinzufügen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <source>Filter Available by:</source>
        <translation>Verfügbare filtern nach:</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Include Address in Description</source>
        <translation>Adresse in die Beschreibung aufnehmen</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
</context>
<context>
    <name>so::CountTexts</name>
    <message numerus="yes">
        <source>%Ln point(s)</source>
        <translation>
            <numerusform>%Ln Punkt</numerusform>
            <numerusform>%Ln Punkte</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %Ln point(s)</source>
        <translation>
            <numerusform>%1 von %Ln Punkt</numerusform>
            <numerusform>%1 von %Ln Punkten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln alarm(s)</source>
        <translation>
            <numerusform>%Ln Alarm</numerusform>
            <numerusform>%Ln Alarme</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln warning(s)</source>
        <translation>
            <numerusform>%Ln Warnung</numerusform>
            <numerusform>%Ln Warnungen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>so::ErrorLog</name>
    <message>
        <source>The log %1 cannot be written: %2</source>
        <translation>Das Protokoll %1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>so::FrameStatusBar</name>
    <message>
        <source>No state change received yet</source>
        <translation>Noch keine Zustandsänderung empfangen</translation>
    </message>
    <message>
        <source>The status group &quot;%1&quot; was deleted at another workstation; its points are no longer a group. Choose another group.</source>
        <translation>Die Statusgruppe „%1“ wurde an einem anderen Arbeitsplatz gelöscht; ihre Punkte sind keine Gruppe mehr. Wählen Sie eine andere Gruppe.</translation>
    </message>
    <message>
        <source>Last state change: %1</source>
        <translation>Letzte Zustandsänderung: %1</translation>
    </message>
    <message>
        <source>Site database file damaged: changes are not saved</source>
        <translation>Datei der Anlagendatenbank beschädigt: Änderungen werden nicht gespeichert</translation>
    </message>
    <message>
        <source>Site database not answering</source>
        <translation>Anlagendatenbank antwortet nicht</translation>
    </message>
    <message>
        <source>The site file cannot grow: the disk is full</source>
        <translation>Die Anlagendatei kann nicht wachsen: der Datenträger ist voll</translation>
    </message>
    <message>
        <source>The site&apos;s log keeps growing: a reader holds back its checkpoints</source>
        <translation>Das Protokoll der Anlage wächst weiter: ein Leser hält seine Checkpoints auf</translation>
    </message>
    <message>
        <source>Site database busy: changes cannot be saved now</source>
        <translation>Anlagendatenbank beschäftigt: Änderungen können jetzt nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Site database answering</source>
        <translation>Anlagendatenbank antwortet</translation>
    </message>
</context>
<context>
    <name>so::MenuModel</name>
    <message>
        <source>Trigger</source>
        <translation>Auslösen</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Maskieren</translation>
    </message>
    <message>
        <source>Momentary Mask</source>
        <translation>Kurzzeitig maskieren</translation>
    </message>
    <message>
        <source>Force ON</source>
        <translation>EIN erzwingen</translation>
    </message>
    <message>
        <source>Force ON Release</source>
        <translation>EIN-Erzwingung aufheben</translation>
    </message>
    <message>
        <source>Force OFF</source>
        <translation>AUS erzwingen</translation>
    </message>
    <message>
        <source>Force OFF Release</source>
        <translation>AUS-Erzwingung aufheben</translation>
    </message>
    <message>
        <source>Lock DOWN</source>
        <translation>Dauerhaft SPERREN</translation>
    </message>
    <message>
        <source>Lock DOWN Release</source>
        <translation>Dauersperre aufheben</translation>
    </message>
    <message>
        <source>Lock OPEN</source>
        <translation>Dauerhaft ÖFFNEN</translation>
    </message>
    <message>
        <source>Lock OPEN Release</source>
        <translation>Daueröffnung aufheben</translation>
    </message>
    <message>
        <source>Not permitted for this door</source>
        <translation>Für diese Tür nicht erlaubt</translation>
    </message>
    <message>
        <source>Not permitted for this input</source>
        <translation>Für diesen Eingang nicht erlaubt</translation>
    </message>
    <message>
        <source>Not permitted for this relay</source>
        <translation>Für dieses Relais nicht erlaubt</translation>
    </message>
    <message>
        <source>Not permitted for this reader</source>
        <translation>Für diesen Leser nicht erlaubt</translation>
    </message>
    <message>
        <source>&amp;Refresh This Item(s) - This Pane</source>
        <translation>Diese Einträge &amp;aktualisieren - dieser Bereich</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Access Functions</source>
        <translation>Zutrittsfunktionen</translation>
    </message>
    <message>
        <source>Control Functions</source>
        <translation>Steuerfunktionen</translation>
    </message>
    <message>
        <source>Properties...</source>
        <translation>Eigenschaften...</translation>
    </message>
    <message>
        <source>Momentary Access</source>
        <translation>Kurzzeitiger Zutritt</translation>
    </message>
    <message>
        <source>Unlock</source>
        <translation>Entriegeln</translation>
    </message>
    <message>
        <source>Relock</source>
        <translation>Wieder verriegeln</translation>
    </message>
    <message>
        <source>UnMask</source>
        <translation>Demaskieren</translation>
    </message>
    <message>
        <source>Clear Code Tamper</source>
        <translation>Code-Sabotage zurücksetzen</translation>
    </message>
    <message>
        <source>Component Properties</source>
        <translation>Komponenteneigenschaften</translation>
    </message>
    <message>
        <source>Toggle Lock</source>
        <translation>Verriegelung umschalten</translation>
    </message>
    <message>
        <source>Unmask</source>
        <translation>Demaskieren</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Not available for this kind of point</source>
        <translation>Für diese Art von Punkt nicht verfügbar</translation>
    </message>
</context>
<context>
    <name>so::OverriddenPoints</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Override</source>
        <translation>Übersteuerung</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Seit</translation>
    </message>
    <message>
        <source>By</source>
        <translation>Von</translation>
    </message>
</context>
<context>
    <name>so::PlusMinusToggle</name>
    <message>
        <source>Shows or hides the %1 section</source>
        <translation>Zeigt oder verbirgt den Bereich %1</translation>
    </message>
    <message>
        <source>Collapse %1</source>
        <translation>%1 einklappen</translation>
    </message>
    <message>
        <source>Expand %1</source>
        <translation>%1 ausklappen</translation>
    </message>
</context>
<context>
    <name>so::SectionGridView</name>
    <message>
        <source>Sort by Severity (alarms first)</source>
        <translation>Nach Schwere sortieren (Alarme zuerst)</translation>
    </message>
</context>
<context>
    <name>so::SectionsArea</name>
    <message>
        <source>The points of the %1 section, one row a point</source>
        <translation>Die Punkte des Bereichs %1, eine Zeile je Punkt</translation>
    </message>
    <message>
        <source>Masked points</source>
        <translation>Maskierte Punkte</translation>
    </message>
    <message>
        <source>The masked points of the whole site, one row a point</source>
        <translation>Die maskierten Punkte der ganzen Anlage, eine Zeile je Punkt</translation>
    </message>
    <message>
        <source>Overridden points</source>
        <translation>Übersteuerte Punkte</translation>
    </message>
    <message>
        <source>The points of the shown group under an operator&apos;s override, one row a point</source>
        <translation>Die Punkte der gezeigten Gruppe unter der Übersteuerung eines Bedieners, eine Zeile je Punkt</translation>
    </message>
</context>
<context>
    <name>so::Severity</name>
    <message>
        <source>Off line</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Forced open</source>
        <translation>Aufgebrochen</translation>
    </message>
    <message>
        <source>Held open</source>
        <translation>Offen gehalten</translation>
    </message>
    <message>
        <source>In alarm</source>
        <translation>Im Alarm</translation>
    </message>
    <message>
        <source>Tamper</source>
        <translation>Sabotage</translation>
    </message>
    <message>
        <source>Code tamper</source>
        <translation>Code-Sabotage</translation>
    </message>
    <message>
        <source>Enclosure tamper</source>
        <translation>Gehäusesabotage</translation>
    </message>
    <message>
        <source>Tamper pending</source>
        <translation>Sabotage anstehend</translation>
    </message>
    <message>
        <source>Line open</source>
        <translation>Leitung offen</translation>
    </message>
    <message>
        <source>Line short</source>
        <translation>Leitung kurzgeschlossen</translation>
    </message>
    <message>
        <source>In alarm, masked</source>
        <translation>Im Alarm, maskiert</translation>
    </message>
    <message>
        <source>Masked</source>
        <translation>Maskiert</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Offen</translation>
    </message>
    <message>
        <source>Open, unlocked</source>
        <translation>Offen, entriegelt</translation>
    </message>
    <message>
        <source>Unlocked</source>
        <translation>Entriegelt</translation>
    </message>
    <message>
        <source>Relay forced</source>
        <translation>Relais erzwungen</translation>
    </message>
    <message>
        <source>Line fault</source>
        <translation>Leitungsfehler</translation>
    </message>
    <message>
        <source>Line noisy</source>
        <translation>Leitung gestört</translation>
    </message>
    <message>
        <source>AC power failed</source>
        <translation>Netzspannung ausgefallen</translation>
    </message>
    <message>
        <source>Memory battery failed</source>
        <translation>Speicherbatterie ausgefallen</translation>
    </message>
    <message>
        <source>UPS battery failed</source>
        <translation>USV-Batterie ausgefallen</translation>
    </message>
</context>
<context>
    <name>so::StatusFrame</name>
    <message numerus="yes">
        <source> — %Ln alarm(s)</source>
        <translation>
            <numerusform> — %Ln Alarm</numerusform>
            <numerusform> — %Ln Alarme</numerusform>
        </translation>
    </message>
    <message>
        <source>The rows could not be written to %1: %2</source>
        <translation>Die Zeilen konnten nicht nach %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Export to CSV</source>
        <translation>Als CSV exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
</context>
<context>
    <name>so::StatusWindow</name>
    <message>
        <source>Status Viewer</source>
        <translation>Statusanzeige</translation>
    </message>
    <message>
        <source>You do not have permission to shelve points.</source>
        <translation>Sie haben keine Berechtigung, Punkte zurückzustellen.</translation>
    </message>
    <message>
        <source>Shelve</source>
        <translation>Zurückstellen</translation>
    </message>
    <message>
        <source>You do not have permission to acknowledge alarms.</source>
        <translation>Sie haben keine Berechtigung, Alarme zu quittieren.</translation>
    </message>
    <message>
        <source>Acknowledge</source>
        <translation>Quittieren</translation>
    </message>
    <message>
        <source>Doors</source>
        <translation>Türen</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Relays</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Readers</source>
        <translation>Leser</translation>
    </message>
    <message>
        <source>Controllers</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Pylons</source>
        <translation>Kommunikationsboxen</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Modules</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>Status Group</source>
        <translation>Statusgruppe</translation>
    </message>
    <message numerus="yes">
        <source>Reading the states of %Ln point(s)...</source>
        <translation>
            <numerusform>Der Zustand von %Ln Punkt wird gelesen...</numerusform>
            <numerusform>Die Zustände von %Ln Punkten werden gelesen...</numerusform>
        </translation>
    </message>
    <message>
        <source>Loading %1...</source>
        <translation>%1 wird geladen...</translation>
    </message>
    <message numerus="yes">
        <source>Loading %1: %Ln point(s)</source>
        <translation>
            <numerusform>%1 wird geladen: %Ln Punkt</numerusform>
            <numerusform>%1 wird geladen: %Ln Punkte</numerusform>
        </translation>
    </message>
    <message>
        <source>The window&apos;s column layout and size could not be saved. They are kept and saved again when the status window closes next time.</source>
        <translation>Spaltenanordnung und Größe des Fensters konnten nicht gespeichert werden. Sie bleiben erhalten und werden beim nächsten Schließen des Statusfensters erneut gespeichert.</translation>
    </message>
</context>
<context>
    <name>so::ToolbarBand</name>
    <message>
        <source>Status Group</source>
        <translation>Statusgruppe</translation>
    </message>
    <message>
        <source>Doors</source>
        <translation>Türen</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Relays</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Readers</source>
        <translation>Leser</translation>
    </message>
    <message>
        <source>Controllers</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Pylons</source>
        <translation>Kommunikationsboxen</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Expansion Inputs</source>
        <translation>Erweiterungseingänge</translation>
    </message>
    <message>
        <source>Expansion Relays</source>
        <translation>Erweiterungsrelais</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <comment>a tooltip and its keys</comment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Overridden</source>
        <translation>Übersteuert</translation>
    </message>
    <message>
        <source>Overridden Points</source>
        <translation>Übersteuerte Punkte</translation>
    </message>
    <message>
        <source>Masked</source>
        <translation>Maskiert</translation>
    </message>
    <message>
        <source>Masked Points</source>
        <translation>Maskierte Punkte</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Configure Status Groups</source>
        <translation>Statusgruppen einrichten</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Sections shown</source>
        <translation>Gezeigte Bereiche</translation>
    </message>
    <message>
        <source>Status Group:</source>
        <translation>Statusgruppe:</translation>
    </message>
    <message>
        <source>Status group</source>
        <translation>Statusgruppe</translation>
    </message>
    <message>
        <source>The status group whose points the window shows</source>
        <translation>Die Statusgruppe, deren Punkte das Fenster zeigt</translation>
    </message>
    <message>
        <source>Find name or address (Ctrl+F)</source>
        <translation>Name oder Adresse suchen (Strg+F)</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Shows only the rows whose name or address holds this text</source>
        <translation>Zeigt nur die Zeilen, deren Name oder Adresse diesen Text enthält</translation>
    </message>
    <message>
        <source>Abnormal only</source>
        <translation>Nur Auffällige</translation>
    </message>
    <message>
        <source>Show only the points in alarm or warning</source>
        <translation>Nur die Punkte in Alarm oder Warnung zeigen</translation>
    </message>
    <message>
        <source>Attention list</source>
        <translation>Aufmerksamkeitsliste</translation>
    </message>
    <message>
        <source>Show every point in alarm or warning above the sections</source>
        <translation>Jeden Punkt in Alarm oder Warnung über den Bereichen zeigen</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Copy or export rows</source>
        <translation>Zeilen kopieren oder exportieren</translation>
    </message>
    <message>
        <source>Copy Selected Rows</source>
        <translation>Ausgewählte Zeilen kopieren</translation>
    </message>
    <message>
        <source>Export Section to CSV</source>
        <translation>Bereich als CSV exportieren</translation>
    </message>
    <message>
        <source>Export Window to CSV...</source>
        <translation>Fenster als CSV exportieren...</translation>
    </message>
    <message>
        <source>%1 (deleted)</source>
        <translation>%1 (gelöscht)</translation>
    </message>
    <message numerus="yes">
        <source>%Ln match(es)</source>
        <translation>
            <numerusform>%Ln Treffer</numerusform>
            <numerusform>%Ln Treffer</numerusform>
        </translation>
    </message>
    <message>
        <source>Total: %1</source>
        <translation>Gesamt: %1</translation>
    </message>
    <message>
        <source>Views</source>
        <translation>Ansichten</translation>
    </message>
    <message>
        <source>Sections</source>
        <translation>Bereiche</translation>
    </message>
</context>
</TS>
