#include "site/SiteSchema.h"

#include <statusobject/Db.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace so::db {
namespace {

// Each entry is one statement. Columns read by position keep their order: Profile_Details (3rd
// the detail name, 4th the value) and SuperStatus (address, controller id, status type, status
// text, time). "Index" is a column name of several point tables, hence quoted.
const char* const kTables[] = {
    // Stored procedures of the embedded site (run by the database layer).
    R"(CREATE TABLE IF NOT EXISTS sys_procedures (
        name TEXT PRIMARY KEY COLLATE NOCASE,
        params TEXT NOT NULL,
        body TEXT NOT NULL))",

    // ---- Server ports and communication boxes ---------------------------------------------
    // PortType: 1 SNet, 5 PNet, 2 and 3 dial-up locations, 4 dial-up port (modem), 6 CCTV, 7 DVR,
    // 8 CSR. PortStyle: "SNet", "PNet", "CCTV", "DVR", "CSR". Enabled 1/0. ModemStatus: the
    // dial-up state 0-9 of a modem port. Address "\\PORT" + 4 characters (10 in all).
    R"(CREATE TABLE IF NOT EXISTS ServerPorts (
        PortID INTEGER PRIMARY KEY,
        PortName NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        PortType INTEGER NOT NULL,
        PortStyle VARCHAR(10) NOT NULL,
        Enabled INTEGER NOT NULL DEFAULT 1,
        ModemStatus INTEGER NOT NULL DEFAULT 0,
        LastUpdated DATETIME))",
    // Communication boxes. Address "\\PYLON" + 7 or 12 characters (14 or 19 in all). Enabled 1/0.
    R"(CREATE TABLE IF NOT EXISTS Pylons (
        PylonID INTEGER PRIMARY KEY,
        PylonName NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        PortID INTEGER REFERENCES ServerPorts(PortID),
        Revision VARCHAR(20) NOT NULL DEFAULT '',
        Enabled INTEGER NOT NULL DEFAULT 1,
        LastUpdated DATETIME))",
    // Recording and central-station receiver configuration of DVR and CSR ports: Address2 is the
    // port's address, GlobalAddressID what the host's device administration opens.
    R"(CREATE TABLE IF NOT EXISTS DVR_Config (
        GlobalAddressID INTEGER PRIMARY KEY,
        Address2 VARCHAR(30) NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS CSR_Config (
        GlobalAddressID INTEGER PRIMARY KEY,
        Address2 VARCHAR(30) NOT NULL))",

    // ---- Classic controller line ------------------------------------------------------------
    // Address "\\SNET." or "\\PNET." + 11 characters (17 in all). Installed 1/0.
    // ListAddress is the controller written as a point of itself (its address + ".CA00"), so the
    // statements that cut the five-character point part off a list address yield the
    // controller's address for controllers too. Computed, never out of step with Address.
    R"(CREATE TABLE IF NOT EXISTS Controllers (
        Controller_ID INTEGER PRIMARY KEY,
        Controller_Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        PortID INTEGER REFERENCES ServerPorts(PortID),
        Installed INTEGER NOT NULL DEFAULT 1,
        ListAddress VARCHAR(30) GENERATED ALWAYS AS (Address || '.CA00') VIRTUAL))",
    // Hardware set-up of a classic controller: nxinputs = expansion inputs present (1-32);
    // ef_reb1..8 = expansion relay board k present (relays 8k-7 to 8k), ef_reb64 = all 64 relays
    // present. Flags 1/0.
    R"(CREATE TABLE IF NOT EXISTS PanelBasicSetups (
        ControllerID INTEGER PRIMARY KEY REFERENCES Controllers(Controller_ID),
        nxinputs INTEGER NOT NULL DEFAULT 0,
        ef_reb1 INTEGER NOT NULL DEFAULT 0, ef_reb2 INTEGER NOT NULL DEFAULT 0,
        ef_reb3 INTEGER NOT NULL DEFAULT 0, ef_reb4 INTEGER NOT NULL DEFAULT 0,
        ef_reb5 INTEGER NOT NULL DEFAULT 0, ef_reb6 INTEGER NOT NULL DEFAULT 0,
        ef_reb7 INTEGER NOT NULL DEFAULT 0, ef_reb8 INTEGER NOT NULL DEFAULT 0,
        ef_reb64 INTEGER NOT NULL DEFAULT 0))",
    // Base-board inputs ("BI"). Input n of a controller is door n's contact when BelongToDoor = 1.
    // AnlgMode: number of supervised lines of the line module (1-3). PanelType: the controller's
    // panel model (3 = line modules only on the first two doors). NormalyOpen -1/0 (read as an
    // absolute value); Disabled and BelongToDoor 1/0.
    R"(CREATE TABLE IF NOT EXISTS Inputs (
        InputID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        "Index" INTEGER NOT NULL,
        AnlgMode INTEGER NOT NULL DEFAULT 1,
        Disabled INTEGER NOT NULL DEFAULT 0,
        NormalyOpen INTEGER NOT NULL DEFAULT 0,
        PanelType INTEGER NOT NULL DEFAULT 1,
        BelongToDoor INTEGER NOT NULL DEFAULT 0,
        UNIQUE (ControllerID, "Index")))",
    // Base-board relays ("BR"); relay n is door n's strike. TwoMan (the door's two-person rule) and
    // invert 1/0.
    R"(CREATE TABLE IF NOT EXISTS Outputs (
        OutputID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        "Index" INTEGER NOT NULL,
        TwoMan INTEGER NOT NULL DEFAULT 0,
        invert INTEGER NOT NULL DEFAULT 0,
        UNIQUE (ControllerID, "Index")))",
    // Readers ("SM"); reader n reads for door n.
    R"(CREATE TABLE IF NOT EXISTS Readers (
        ReaderId INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        "Index" INTEGER NOT NULL))",
    // Doors ("DR"): door n uses input InputIndex, relay OutputIndex and reader ReaderIndex of its
    // controller (all n). Active 1/0. Columns of the door's input and relay live in those tables.
    R"(CREATE TABLE IF NOT EXISTS Doors (
        DoorId INTEGER PRIMARY KEY,
        DoorName NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        InputIndex INTEGER NOT NULL,
        OutputIndex INTEGER NOT NULL,
        ReaderIndex INTEGER NOT NULL,
        Active INTEGER NOT NULL DEFAULT 1))",
    // Expansion inputs ("XI", InputIndex 1-32; present when InputIndex <= nxinputs). Anlg_mode as
    // AnlgMode; normal_open -1/0 (read as an absolute value); Disabled 1/0.
    R"(CREATE TABLE IF NOT EXISTS ExpInputs (
        ExpInputID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        InputIndex INTEGER NOT NULL,
        Anlg_mode INTEGER NOT NULL DEFAULT 1,
        Disabled INTEGER NOT NULL DEFAULT 0,
        normal_open INTEGER NOT NULL DEFAULT 0))",
    // Expansion relays ("XR", OutputIndex 1-64 on boards of eight). invert 1/0.
    R"(CREATE TABLE IF NOT EXISTS ExpOutputs (
        ExpOutputID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
        OutputIndex INTEGER NOT NULL,
        invert INTEGER NOT NULL DEFAULT 0))",

    // ---- Live status of the classic line ----------------------------------------------------
    // One row per controller and status type (ports and communication boxes: one row each, with
    // their own id in ControllerID). The Status text layout is described in SiteStatusText.h.
    R"(CREATE TABLE IF NOT EXISTS SuperStatus (
        Address VARCHAR(30) NOT NULL,
        ControllerID INTEGER NOT NULL,
        StatusType INTEGER NOT NULL,
        Status NVARCHAR(4000) NOT NULL DEFAULT '',
        LastUpdated DATETIME,
        PRIMARY KEY (ControllerID, StatusType)))",
    R"(CREATE TABLE IF NOT EXISTS ThreatLevels (
        ThreatID INTEGER PRIMARY KEY,
        Name NVARCHAR(50) NOT NULL))",

    // ---- Newer controller line (ZRII) -------------------------------------------------------
    // Controller address "\\ZRII." + 9 characters (15); its points add "." + code + number.
    // Installed and Online 1/0.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Controllers (
        ID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        Installed INTEGER NOT NULL DEFAULT 1,
        Online INTEGER NOT NULL DEFAULT 1))",
    // Doors ("DR"). TwoPersonRule: the rule's identifier, all zeros when none. Disabled 1/0.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Doors (
        DoorID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES ZRII_Controllers(ID),
        TwoPersonRule VARCHAR(38) NOT NULL DEFAULT '{00000000-0000-0000-0000-000000000000}',
        Disabled INTEGER NOT NULL DEFAULT 0))",
    // Inputs ("BI"). NormallyClosed -1/0 (read as an absolute value); Disabled and Expansion 1/0.
    // LineModuleType: supervised lines (1-3). MaskSource: mask-source bits, 0 = not masked.
    // ContactStatus: the packed line states, one byte per line, line 1 in the low byte (0x11
    // normal, 0x12 active, 0x2n open, 0x3n short ...), stored as a whole number; it holds no ".",
    // so a reader that splits it at "." gets the packed value as its only part.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Inputs (
        InputID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES ZRII_Controllers(ID),
        "Index" INTEGER NOT NULL,
        Expansion INTEGER NOT NULL DEFAULT 0,
        Disabled INTEGER NOT NULL DEFAULT 0,
        NormallyClosed INTEGER NOT NULL DEFAULT -1,
        LineModuleType INTEGER NOT NULL DEFAULT 1,
        MaskSource INTEGER NOT NULL DEFAULT 0,
        ContactStatus INTEGER NOT NULL DEFAULT 17))",
    // Relays ("BR" a door's relay, "VR" an auxiliary relay). RelayType: 1 door strike, 2 general
    // purpose, 4 alarm output. NormalStateEnergized and EnergizedStatus 1/0. OperationsStatus:
    // the relay's mode bits.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Relays (
        RelayID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES ZRII_Controllers(ID),
        "Index" INTEGER NOT NULL,
        RelayType INTEGER NOT NULL DEFAULT 2,
        NormalStateEnergized INTEGER NOT NULL DEFAULT 0,
        EnergizedStatus INTEGER NOT NULL DEFAULT 0,
        OperationsStatus INTEGER NOT NULL DEFAULT 0))",
    // Readers ("RL"). ThreatLevel: a ThreatLevels id.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Readers (
        ReaderID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES ZRII_Controllers(ID),
        ThreatLevel INTEGER NOT NULL DEFAULT 0))",
    // Modules ("MD"). DeviceSubType: 1 main board, 2 reader interface, 3 input module, 4 output
    // module, 8 keypad module. Installed, Online and InTamper 1/0.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Modules (
        ID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        Address VARCHAR(30) NOT NULL UNIQUE,
        ControllerID INTEGER NOT NULL REFERENCES ZRII_Controllers(ID),
        DeviceSubType INTEGER NOT NULL,
        Installed INTEGER NOT NULL DEFAULT 1,
        Online INTEGER NOT NULL DEFAULT 1,
        InTamper INTEGER NOT NULL DEFAULT 0))",
    // Keypads ("KP") on keypad modules; the lockout flags 1/0.
    R"(CREATE TABLE IF NOT EXISTS ZRII_Keypads (
        ID INTEGER PRIMARY KEY,
        KeypadModuleID INTEGER NOT NULL REFERENCES ZRII_Modules(ID),
        Address VARCHAR(30) NOT NULL UNIQUE,
        PhysicalTamperLockout INTEGER NOT NULL DEFAULT 0,
        CodeTamperLockout INTEGER NOT NULL DEFAULT 0))",
    R"(CREATE TABLE IF NOT EXISTS ZRII_KeypadsInReader (
        ReaderID INTEGER NOT NULL REFERENCES ZRII_Readers(ReaderID),
        KeypadID INTEGER NOT NULL REFERENCES ZRII_Keypads(ID),
        PRIMARY KEY (ReaderID, KeypadID)))",
    R"(CREATE TABLE IF NOT EXISTS ZRII_InputsInDoorsRelations (
        DoorID INTEGER NOT NULL REFERENCES ZRII_Doors(DoorID),
        InputID INTEGER NOT NULL REFERENCES ZRII_Inputs(InputID),
        PRIMARY KEY (DoorID, InputID)))",
    R"(CREATE TABLE IF NOT EXISTS ZRII_RelaysInDoorsRelations (
        DoorID INTEGER NOT NULL REFERENCES ZRII_Doors(DoorID),
        RelayID INTEGER NOT NULL REFERENCES ZRII_Relays(RelayID),
        PRIMARY KEY (DoorID, RelayID)))",
    R"(CREATE TABLE IF NOT EXISTS ZRII_ReadersInDoorsRelations (
        DoorID INTEGER NOT NULL REFERENCES ZRII_Doors(DoorID),
        ReaderID INTEGER NOT NULL REFERENCES ZRII_Readers(ReaderID),
        PRIMARY KEY (DoorID, ReaderID)))",

    // ---- Status groups ----------------------------------------------------------------------
    // SiteID: the security domain of the workstation that created the group. Names are not
    // unique in the table: the dialog's plain "Save" path stores a name without the duplicate
    // lookup, and must not fail for it.
    R"(CREATE TABLE IF NOT EXISTS Status_Groups (
        GroupID INTEGER PRIMARY KEY AUTOINCREMENT,
        GroupName NVARCHAR(50) NOT NULL COLLATE NOCASE,
        SiteID INTEGER NOT NULL DEFAULT 1))",
    // The points of a group in saved order (StatusPointID). ObjectID: 1-9 classic kinds, 101-105
    // and 108 newer-line kinds; PointID: the id in that kind's table; AlternateFlag 0/1. The rows
    // go with their group.
    R"(CREATE TABLE IF NOT EXISTS Status_Points (
        GroupID INTEGER NOT NULL REFERENCES Status_Groups(GroupID) ON DELETE CASCADE,
        ObjectID INTEGER NOT NULL,
        PointID INTEGER NOT NULL,
        ListName NVARCHAR(64) NOT NULL DEFAULT '',
        ListSmallIcon SMALLINT NOT NULL DEFAULT 0,
        ListAddress VARCHAR(30) NOT NULL,
        AlternateFlag TINYINT NOT NULL DEFAULT 0,
        StatusPointID INTEGER PRIMARY KEY))",

    // ---- Operators, profiles, workstations --------------------------------------------------
    R"(CREATE TABLE IF NOT EXISTS Operators (
        OperatorID INTEGER PRIMARY KEY,
        LoginName NVARCHAR(64) NOT NULL UNIQUE COLLATE NOCASE,
        FullName NVARCHAR(100) NOT NULL DEFAULT '',
        SecurityDomain INTEGER NOT NULL DEFAULT 1))",
    // The site's one operator directory: an operator's password as an argon2id hash in
    // libsodium's string form. Desks and the web desk sign in against it through the field.
    R"(CREATE TABLE IF NOT EXISTS OperatorPasswords (
        OperatorID INTEGER PRIMARY KEY REFERENCES Operators(OperatorID),
        PasswordHash VARCHAR(128) NOT NULL,
        ChangedAt DATETIME))",
    // Settings of the whole site by name (OperatorIdleLockMinutes: a desk locks after that long
    // without input).
    R"(CREATE TABLE IF NOT EXISTS SiteSettings (
        Name NVARCHAR(64) NOT NULL PRIMARY KEY,
        Value NVARCHAR(255) NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS OperatorGroups (
        GroupID INTEGER PRIMARY KEY,
        GroupName NVARCHAR(64) NOT NULL UNIQUE COLLATE NOCASE))",
    R"(CREATE TABLE IF NOT EXISTS OperatorsToGroups (
        OperatorID INTEGER NOT NULL REFERENCES Operators(OperatorID),
        GroupID INTEGER NOT NULL REFERENCES OperatorGroups(GroupID),
        PRIMARY KEY (OperatorID, GroupID)))",
    // A permission (PermissionKind, number) is granted to an operator when one of the operator's
    // groups has a row for it with Granted 1, either for that ObjectNumber or for ObjectNumber 0
    // (every number), and none of the operator's groups has a row for that very ObjectNumber with
    // Granted 0 (an explicit denial wins). Kinds used: 10 operator functions (63 = device
    // commands, 64 = acknowledging alarms, 65 = shelving points), 14 status groups (ObjectNumber = GroupID).
    R"(CREATE TABLE IF NOT EXISTS OperatorPermissions (
        GroupID INTEGER NOT NULL REFERENCES OperatorGroups(GroupID),
        PermissionKind INTEGER NOT NULL,
        ObjectNumber INTEGER NOT NULL DEFAULT 0,
        Granted INTEGER NOT NULL DEFAULT 1,
        PRIMARY KEY (GroupID, PermissionKind, ObjectNumber)))",
    // Points outside an operator group's boundaries: objecttype 21 = a device address kept from
    // the group's operators at that workstation.
    R"(CREATE TABLE IF NOT EXISTS boundaries (
        Address VARCHAR(30) NOT NULL,
        objecttype INTEGER NOT NULL,
        WorkstationID INTEGER NOT NULL,
        GroupID INTEGER NOT NULL REFERENCES OperatorGroups(GroupID)))",
    // StatusGroupID: the status group the profile's status window opens with.
    R"(CREATE TABLE IF NOT EXISTS Profiles (
        ProfileID INTEGER PRIMARY KEY,
        Name NVARCHAR(64) NOT NULL,
        StatusGroupID INTEGER NOT NULL DEFAULT 0))",
    // Layout details of a profile, one row per object and detail name (object 10 = status viewer).
    R"(CREATE TABLE IF NOT EXISTS Profile_Details (
        ProfileID INTEGER NOT NULL,
        ObjectID INTEGER NOT NULL,
        DetailName NVARCHAR(50) NOT NULL,
        DetailValue NVARCHAR(4000) NOT NULL DEFAULT '',
        PRIMARY KEY (ProfileID, ObjectID, DetailName)))",
    R"(CREATE TABLE IF NOT EXISTS Workstations (
        WorkstationID INTEGER PRIMARY KEY,
        ComputerName NVARCHAR(64) NOT NULL UNIQUE COLLATE NOCASE,
        ProfileID INTEGER REFERENCES Profiles(ProfileID)))",
    // Locks on shared configuration (kind 37 = the status group configuration), one per component.
    // Holder is the operator's full name (Operators.FullName, up to 100 characters).
    R"(CREATE TABLE IF NOT EXISTS ComponentLocks (
        Kind INTEGER NOT NULL,
        ComponentID INTEGER NOT NULL,
        Holder NVARCHAR(100) NOT NULL,
        WorkstationName NVARCHAR(64) NOT NULL,
        LockedAt DATETIME,
        PRIMARY KEY (Kind, ComponentID)))",
    R"(CREATE TABLE IF NOT EXISTS EventLog (
        EventID INTEGER PRIMARY KEY AUTOINCREMENT,
        EventTime DATETIME NOT NULL,
        Description NVARCHAR(255) NOT NULL,
        DeviceKind NVARCHAR(64) NOT NULL DEFAULT '',
        DeviceNumber INTEGER NOT NULL DEFAULT 0,
        Details NVARCHAR(255) NOT NULL DEFAULT '',
        EventCode INTEGER NOT NULL,
        WorkstationID INTEGER,
        OperatorID INTEGER))",

    // ---- Alarms ----------------------------------------------------------------------------
    // One row per point whose alarm is raised, or cleared and not yet acknowledged; the next
    // raise of the point replaces a cleared row. Times are whole seconds.
    R"(CREATE TABLE IF NOT EXISTS AlarmStates (
        Address VARCHAR(30) NOT NULL PRIMARY KEY,
        RaisedAt DATETIME NOT NULL,
        ClearedAt DATETIME,
        AcknowledgedAt DATETIME,
        AcknowledgedBy NVARCHAR(64)))",
    // Every step of every alarm: Event is raised, cleared, acknowledged, shelved or unshelved;
    // OperatorName and Comment are an operator's steps'. Rows older than the site keeps are deleted.
    R"(CREATE TABLE IF NOT EXISTS AlarmJournal (
        JournalID INTEGER PRIMARY KEY AUTOINCREMENT,
        EventTime DATETIME NOT NULL,
        Event NVARCHAR(16) NOT NULL,
        Address VARCHAR(30) NOT NULL,
        RaisedAt DATETIME,
        OperatorName NVARCHAR(64) NOT NULL DEFAULT '',
        Comment NVARCHAR(255) NOT NULL DEFAULT ''))",
    // One row per shelved point, until its time is up (the desk that sees it first deletes it).
    R"(CREATE TABLE IF NOT EXISTS ShelvedPoints (
        Address VARCHAR(30) NOT NULL PRIMARY KEY,
        ShelvedAt DATETIME NOT NULL,
        ShelvedUntil DATETIME NOT NULL,
        ShelvedBy NVARCHAR(64) NOT NULL DEFAULT ''))",

    // ---- Indexes for the lookups the viewer runs per row ------------------------------------
    "CREATE INDEX IF NOT EXISTS SuperStatus_Address ON SuperStatus (Address, StatusType)",
    "CREATE INDEX IF NOT EXISTS SuperStatus_Type ON SuperStatus (StatusType)",
    "CREATE INDEX IF NOT EXISTS AlarmJournal_Time ON AlarmJournal (EventTime)",
    "CREATE INDEX IF NOT EXISTS Status_Points_Group ON Status_Points (GroupID, StatusPointID)",
    "CREATE INDEX IF NOT EXISTS Status_Groups_Name ON Status_Groups (GroupName)",
    "CREATE INDEX IF NOT EXISTS Doors_Controller ON Doors (ControllerID)",
    "CREATE INDEX IF NOT EXISTS Readers_Controller ON Readers (ControllerID)",
    "CREATE INDEX IF NOT EXISTS ExpInputs_Controller ON ExpInputs (ControllerID)",
    "CREATE INDEX IF NOT EXISTS ExpOutputs_Controller ON ExpOutputs (ControllerID)",
    "CREATE INDEX IF NOT EXISTS Controllers_Port ON Controllers (PortID)",
    "CREATE INDEX IF NOT EXISTS ZRII_Readers_Controller ON ZRII_Readers (ControllerID, ThreatLevel)",
    "CREATE INDEX IF NOT EXISTS ZRII_Inputs_Mask ON ZRII_Inputs (MaskSource)",
    "CREATE INDEX IF NOT EXISTS ZRII_Keypads_Module ON ZRII_Keypads (KeypadModuleID)",
    "CREATE INDEX IF NOT EXISTS ZRII_KeypadsInReader_Keypad ON ZRII_KeypadsInReader (KeypadID)",
    "CREATE INDEX IF NOT EXISTS ZRII_InputsInDoors_Input ON ZRII_InputsInDoorsRelations (InputID)",
    "CREATE INDEX IF NOT EXISTS ZRII_RelaysInDoors_Relay ON ZRII_RelaysInDoorsRelations (RelayID)",
    "CREATE INDEX IF NOT EXISTS ZRII_ReadersInDoors_Reader ON ZRII_ReadersInDoorsRelations (ReaderID)",
    "CREATE INDEX IF NOT EXISTS OperatorsToGroups_Group ON OperatorsToGroups (GroupID)",
    "CREATE INDEX IF NOT EXISTS boundaries_Address ON boundaries (Address, objecttype, WorkstationID)",
};

void run(QSqlQuery& query, const QString& statement) {
    if (!query.exec(statement))
        throw DbError(QStringLiteral("Creating the site schema failed"), statement, query.lastError().text());
}

}  // namespace

void createSiteSchema(Connection& connection) {
    if (!connection.usesCompatibilityLayer())
        throw DbError(QStringLiteral("The embedded site schema can only be created on a SQLite database"), {},
                      connection.url());
    QSqlDatabase db = QSqlDatabase::database(so::db::qtConnectionName(connection), false);
    Transaction transaction(connection);
    QSqlQuery query(db);
    for (const char* statement : kTables)
        run(query, QString::fromUtf8(statement));

    const QString upsert = QStringLiteral(
        "INSERT INTO sys_procedures (name, params, body) VALUES (?, ?, ?) "
        "ON CONFLICT (name) DO UPDATE SET params = excluded.params, body = excluded.body");
    if (!query.prepare(upsert))
        throw DbError(QStringLiteral("Creating the site schema failed"), upsert, query.lastError().text());
    for (const SiteProcedure& procedure : siteProcedures()) {
        query.bindValue(0, procedure.name);
        query.bindValue(1, procedure.params);
        query.bindValue(2, procedure.body);
        if (!query.exec())
            throw DbError(QStringLiteral("Storing the procedure %1 failed").arg(procedure.name), upsert,
                          query.lastError().text());
    }
    transaction.commit();
}

}  // namespace so::db
