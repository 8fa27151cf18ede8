<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>sv::AppEventView</name>
    <message>
        <source>Show Status Windows</source>
        <translation>Statusfenster zeigen</translation>
    </message>
    <message>
        <source>Status Viewer - field and operator events</source>
        <translation>Statusanzeige - Feld- und Bedienerereignisse</translation>
    </message>
    <message>
        <source>Show the status windows closed with Esc (%1)</source>
        <translation>Die mit Esc geschlossenen Statusfenster zeigen (%1)</translation>
    </message>
    <message>
        <source>%1; field: %2 (%3/s); %4</source>
        <translation>%1; Feld: %2 (%3/s); %4</translation>
    </message>
    <message numerus="yes">
        <source>%n workstation(s)</source>
        <translation>
            <numerusform>%n Arbeitsplatz</numerusform>
            <numerusform>%n Arbeitsplätze</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln state change(s) applied</source>
        <translation>
            <numerusform>%Ln Zustandsänderung angewandt</numerusform>
            <numerusform>%Ln Zustandsänderungen angewandt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n error(s) logged</source>
        <translation>
            <numerusform>%n Fehler protokolliert</numerusform>
            <numerusform>%n Fehler protokolliert</numerusform>
        </translation>
    </message>
    <message>
        <source>%1  workstation %2  %3 %4 %5  %6</source>
        <translation>%1  Arbeitsplatz %2  %3 %4 %5  %6</translation>
    </message>
</context>
<context>
    <name>sv::DeviceWindows</name>
    <message>
        <source>(none)</source>
        <translation>(keiner)</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Port number</source>
        <translation>Portnummer</translation>
    </message>
    <message>
        <source>Global address</source>
        <translation>Globale Adresse</translation>
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
        <source>Port address</source>
        <translation>Portadresse</translation>
    </message>
    <message>
        <source>Controller number</source>
        <translation>Controllernummer</translation>
    </message>
    <message>
        <source>Point on its controller</source>
        <translation>Punkt an seinem Controller</translation>
    </message>
    <message>
        <source>Input on its controller</source>
        <translation>Eingang an seinem Controller</translation>
    </message>
    <message>
        <source>Relay on its controller</source>
        <translation>Relais an seinem Controller</translation>
    </message>
    <message>
        <source>Reader on its controller</source>
        <translation>Leser an seinem Controller</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Deaktiviert</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>On line</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>In tamper</source>
        <translation>In Sabotage</translation>
    </message>
    <message>
        <source>A door&apos;s contact</source>
        <translation>Kontakt einer Tür</translation>
    </message>
    <message>
        <source>Two-person rule</source>
        <translation>Vier-Augen-Prinzip</translation>
    </message>
    <message>
        <source>Inverted</source>
        <translation>Invertiert</translation>
    </message>
    <message>
        <source>Normally open</source>
        <translation>Schließer</translation>
    </message>
    <message>
        <source>Normally closed</source>
        <translation>Öffner</translation>
    </message>
    <message>
        <source>Expansion input</source>
        <translation>Erweiterungseingang</translation>
    </message>
    <message>
        <source>Energized when normal</source>
        <translation>Im Normalzustand erregt</translation>
    </message>
    <message>
        <source>Energized</source>
        <translation>Erregt</translation>
    </message>
    <message>
        <source>Supervised lines</source>
        <translation>Überwachte Leitungen</translation>
    </message>
    <message>
        <source>Panel type</source>
        <translation>Zentralentyp</translation>
    </message>
    <message>
        <source>Mask sources</source>
        <translation>Maskierungsquellen</translation>
    </message>
    <message>
        <source>Line states</source>
        <translation>Leitungszustände</translation>
    </message>
    <message>
        <source>Relay type</source>
        <translation>Relaistyp</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Threat level</source>
        <translation>Bedrohungsstufe</translation>
    </message>
    <message>
        <source>Port type</source>
        <translation>Porttyp</translation>
    </message>
    <message>
        <source>Port style</source>
        <translation>Portart</translation>
    </message>
    <message>
        <source>Modem status</source>
        <translation>Modemstatus</translation>
    </message>
    <message>
        <source>Last updated</source>
        <translation>Zuletzt aktualisiert</translation>
    </message>
    <message>
        <source>Revision</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>Module type</source>
        <translation>Modultyp</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Door</source>
        <translation>Tür</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Expansion Input</source>
        <translation>Erweiterungseingang</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>Expansion Relay</source>
        <translation>Erweiterungsrelais</translation>
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
        <source>Communication Box</source>
        <translation>Kommunikationsbox</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Dial-up Location</source>
        <translation>Einwahlstandort</translation>
    </message>
    <message>
        <source>CCTV Port</source>
        <translation>CCTV-Port</translation>
    </message>
    <message>
        <source>%1 %2 Properties</source>
        <translation>%1 %2 Eigenschaften</translation>
    </message>
    <message>
        <source>Video Recorder</source>
        <translation>Videorekorder</translation>
    </message>
    <message>
        <source>Monitoring Station</source>
        <translation>Leitstelle</translation>
    </message>
    <message>
        <source>Status Viewer

Shows the live state of the points of the chosen status group, one section per kind of point. Choose a group in the Status Group box; right-click a row for its commands.

Masked Points lists every masked input of the site. Configure Status Groups creates, changes and deletes groups and chooses the columns of each section.</source>
        <translation>Statusanzeige

Zeigt den aktuellen Zustand der Punkte der gewählten Statusgruppe, ein Bereich je Punktart. Wählen Sie eine Gruppe im Feld Statusgruppe; ein Rechtsklick auf eine Zeile zeigt ihre Befehle.

Maskierte Punkte listet jeden maskierten Eingang der Anlage. Statusgruppen einrichten legt Gruppen an, ändert und löscht sie und wählt die Spalten jedes Bereichs.</translation>
    </message>
    <message>
        <source>Status Viewer keys

F1  this help
F5  refresh every row from the stored status
Esc  close the status window</source>
        <translation>Tasten der Statusanzeige

F1  diese Hilfe
F5  jede Zeile aus dem gespeicherten Status aktualisieren
Esc  das Statusfenster schließen</translation>
    </message>
    <message>
        <source>Help topic %1

There is no page for this topic.</source>
        <translation>Hilfethema %1

Zu diesem Thema gibt es keine Seite.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
</context>
<context>
    <name>sv::FieldLinkLabel</name>
    <message>
        <source>Field state unknown</source>
        <translation>Feldzustand unbekannt</translation>
    </message>
    <message>
        <source>Broker up</source>
        <translation>Broker verbunden</translation>
    </message>
    <message>
        <source>Broker lost since %1</source>
        <translation>Broker verloren seit %1</translation>
    </message>
    <message>
        <source>Broker connecting</source>
        <translation>Broker wird verbunden</translation>
    </message>
</context>
<context>
    <name>sv::OperatorSignIn</name>
    <message>
        <source>Not signed in: %1</source>
        <translation>Nicht angemeldet: %1</translation>
    </message>
    <message>
        <source>Locked: %1 signs in again, or another operator signs in.</source>
        <translation>Gesperrt: %1 meldet sich wieder an, oder ein anderer Bediener meldet sich an.</translation>
    </message>
    <message>
        <source>The field did not answer: try again.</source>
        <translation>Das Feld hat nicht geantwortet: versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The field restarted: %1 signs in again.</source>
        <translation>Das Feld wurde neu gestartet: %1 meldet sich wieder an.</translation>
    </message>
</context>
<context>
    <name>sv::ResourceTexts</name>
    <message>
        <source>This item is being changed by %1 at %2. Try again when they have finished.</source>
        <translation>Dieser Eintrag wird gerade von %1 an %2 geändert. Versuchen Sie es erneut, wenn die Änderung abgeschlossen ist.</translation>
    </message>
    <message>
        <source>%3 is being changed by %1 at %2. Try again when they have finished.</source>
        <translation>%3 wird gerade von %1 an %2 geändert. Versuchen Sie es erneut, wenn die Änderung abgeschlossen ist.</translation>
    </message>
    <message>
        <source>Delete the selected status group?</source>
        <translation>Die ausgewählte Statusgruppe löschen?</translation>
    </message>
    <message>
        <source>Delete Status Group</source>
        <translation>Statusgruppe löschen</translation>
    </message>
    <message>
        <source>Item in Use</source>
        <translation>Eintrag in Bearbeitung</translation>
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
        <source>Enter a name for the new status group:</source>
        <translation>Geben Sie einen Namen für die neue Statusgruppe ein:</translation>
    </message>
    <message>
        <source>New Status Group</source>
        <translation>Neue Statusgruppe</translation>
    </message>
    <message>
        <source>A status group needs a name. Enter a name?</source>
        <translation>Eine Statusgruppe braucht einen Namen. Einen Namen eingeben?</translation>
    </message>
    <message>
        <source>A status group name can be at most 50 characters long. Enter another name?</source>
        <translation>Der Name einer Statusgruppe darf höchstens 50 Zeichen lang sein. Einen anderen Namen eingeben?</translation>
    </message>
    <message>
        <source>A status group with this name exists already. Choose another name.</source>
        <translation>Eine Statusgruppe mit diesem Namen gibt es schon. Wählen Sie einen anderen Namen.</translation>
    </message>
    <message>
        <source>Door Name</source>
        <translation>Türname</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>Masked</source>
        <translation>Maskiert</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>Eingang 1</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>Eingang 2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>Eingang 3</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>Relais</translation>
    </message>
    <message>
        <source>2PR</source>
        <translation>4AP</translation>
    </message>
    <message>
        <source>Revision</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>LM Type</source>
        <translation>LM-Typ</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>Spannung</translation>
    </message>
    <message>
        <source>Last Updated</source>
        <translation>Zuletzt aktualisiert</translation>
    </message>
    <message>
        <source>Input Name</source>
        <translation>Eingangsname</translation>
    </message>
    <message>
        <source>Relay Name</source>
        <translation>Relaisname</translation>
    </message>
    <message>
        <source>Reader Name</source>
        <translation>Lesername</translation>
    </message>
    <message>
        <source>Code Tamper</source>
        <translation>Code-Sabotage</translation>
    </message>
    <message>
        <source>Physical Tamper</source>
        <translation>Gehäusesabotage</translation>
    </message>
    <message>
        <source>Controller Name</source>
        <translation>Controllername</translation>
    </message>
    <message>
        <source>Enclosure</source>
        <translation>Gehäuse</translation>
    </message>
    <message>
        <source>AC Power</source>
        <translation>Netzspannung</translation>
    </message>
    <message>
        <source>Keypad</source>
        <translation>Tastatur</translation>
    </message>
    <message>
        <source>Memory Battery</source>
        <translation>Speicherbatterie</translation>
    </message>
    <message>
        <source>Parallel Printer</source>
        <translation>Paralleldrucker</translation>
    </message>
    <message>
        <source>Serial Printer</source>
        <translation>Seriendrucker</translation>
    </message>
    <message>
        <source>Tamper Pending</source>
        <translation>Sabotage anstehend</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>UPS Battery</source>
        <translation>USV-Batterie</translation>
    </message>
    <message>
        <source>Pylon Name</source>
        <translation>Name der Kommunikationsbox</translation>
    </message>
    <message>
        <source>Port Name</source>
        <translation>Portname</translation>
    </message>
    <message>
        <source>Point Name</source>
        <translation>Punktname</translation>
    </message>
    <message>
        <source>&lt;Select a Status Group&gt;</source>
        <translation>&lt;Statusgruppe wählen&gt;</translation>
    </message>
    <message>
        <source>Off Line</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>On Line</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Tampered</source>
        <translation>Sabotiert</translation>
    </message>
    <message>
        <source>Secure</source>
        <translation>Gesichert</translation>
    </message>
    <message>
        <source>Tamper</source>
        <translation>Sabotage</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Ausgefallen</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Keypad Active</source>
        <translation>Tastatur aktiv</translation>
    </message>
    <message>
        <source>Pending</source>
        <translation>Anstehend</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Closed</source>
        <translation>Geschlossen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Offen</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>Door Open</source>
        <translation>Tür offen</translation>
    </message>
    <message>
        <source>Short Circuit</source>
        <translation>Kurzschluss</translation>
    </message>
    <message>
        <source>Open Circuit</source>
        <translation>Leitungsunterbrechung</translation>
    </message>
    <message>
        <source>Line Fault</source>
        <translation>Leitungsfehler</translation>
    </message>
    <message>
        <source>Noisy Line</source>
        <translation>Gestörte Leitung</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Unlocked</source>
        <translation>Entriegelt</translation>
    </message>
</context>
<context>
    <name>sv::SignInScreen</name>
    <message>
        <source>Sign in - %1</source>
        <translation>Anmelden - %1</translation>
    </message>
    <message>
        <source>Sign in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Operator:</source>
        <translation>Bediener:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Switch operator at %1</source>
        <translation>Bediener wechseln an %1</translation>
    </message>
    <message>
        <source>%1 is locked</source>
        <translation>%1 ist gesperrt</translation>
    </message>
    <message>
        <source>Sign in at %1</source>
        <translation>Anmelden an %1</translation>
    </message>
    <message>
        <source>Signing in...</source>
        <translation>Anmeldung läuft...</translation>
    </message>
    <message>
        <source>Switch operator</source>
        <translation>Bediener wechseln</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>Sperren</translation>
    </message>
    <message>
        <source>Operator: %1</source>
        <translation>Bediener: %1</translation>
    </message>
</context>
</TS>
