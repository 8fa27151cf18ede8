-- The site database on SQL Server: every table and index the status viewer and its host read and
-- write, column for column the embedded site schema (src/db/SiteSchema.cpp; a test keeps the two
-- in step). Run once on an empty database, then 02-procedures.sql:
--   sqlcmd -S SERVER -d DATABASE -i 01-tables.sql -i 02-procedures.sql
-- Flags are int: 1/0, or -1/0 where the component reads the absolute value (NormalyOpen,
-- normal_open, NormallyClosed). Time stamps are datetime.

CREATE TABLE ServerPorts (
    PortID int NOT NULL PRIMARY KEY,
    PortName nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    PortType int NOT NULL,
    PortStyle varchar(10) NOT NULL,
    Enabled int NOT NULL DEFAULT 1,
    ModemStatus int NOT NULL DEFAULT 0,
    LastUpdated datetime NULL);
CREATE TABLE Pylons (
    PylonID int NOT NULL PRIMARY KEY,
    PylonName nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    PortID int NULL REFERENCES ServerPorts (PortID),
    Revision varchar(20) NOT NULL DEFAULT '',
    Enabled int NOT NULL DEFAULT 1,
    LastUpdated datetime NULL);
CREATE TABLE DVR_Config (
    GlobalAddressID int NOT NULL PRIMARY KEY,
    Address2 varchar(30) NOT NULL);
CREATE TABLE CSR_Config (
    GlobalAddressID int NOT NULL PRIMARY KEY,
    Address2 varchar(30) NOT NULL);

-- ListAddress: the controller written as a point of itself, so cutting the five-character point
-- part off a list address gives the controller's address for controllers too.
CREATE TABLE Controllers (
    Controller_ID int NOT NULL PRIMARY KEY,
    Controller_Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    PortID int NULL REFERENCES ServerPorts (PortID),
    Installed int NOT NULL DEFAULT 1,
    ListAddress AS (Address + '.CA00'));
CREATE TABLE PanelBasicSetups (
    ControllerID int NOT NULL PRIMARY KEY REFERENCES Controllers (Controller_ID),
    nxinputs int NOT NULL DEFAULT 0,
    ef_reb1 int NOT NULL DEFAULT 0, ef_reb2 int NOT NULL DEFAULT 0,
    ef_reb3 int NOT NULL DEFAULT 0, ef_reb4 int NOT NULL DEFAULT 0,
    ef_reb5 int NOT NULL DEFAULT 0, ef_reb6 int NOT NULL DEFAULT 0,
    ef_reb7 int NOT NULL DEFAULT 0, ef_reb8 int NOT NULL DEFAULT 0,
    ef_reb64 int NOT NULL DEFAULT 0);
CREATE TABLE Inputs (
    InputID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    [Index] int NOT NULL,
    AnlgMode int NOT NULL DEFAULT 1,
    Disabled int NOT NULL DEFAULT 0,
    NormalyOpen int NOT NULL DEFAULT 0,
    PanelType int NOT NULL DEFAULT 1,
    BelongToDoor int NOT NULL DEFAULT 0,
    UNIQUE (ControllerID, [Index]));
CREATE TABLE Outputs (
    OutputID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    [Index] int NOT NULL,
    TwoMan int NOT NULL DEFAULT 0,
    invert int NOT NULL DEFAULT 0,
    UNIQUE (ControllerID, [Index]));
CREATE TABLE Readers (
    ReaderId int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    [Index] int NOT NULL);
CREATE TABLE Doors (
    DoorId int NOT NULL PRIMARY KEY,
    DoorName nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    InputIndex int NOT NULL,
    OutputIndex int NOT NULL,
    ReaderIndex int NOT NULL,
    Active int NOT NULL DEFAULT 1);
CREATE TABLE ExpInputs (
    ExpInputID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    InputIndex int NOT NULL,
    Anlg_mode int NOT NULL DEFAULT 1,
    Disabled int NOT NULL DEFAULT 0,
    normal_open int NOT NULL DEFAULT 0);
CREATE TABLE ExpOutputs (
    ExpOutputID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES Controllers (Controller_ID),
    OutputIndex int NOT NULL,
    invert int NOT NULL DEFAULT 0);

CREATE TABLE SuperStatus (
    Address varchar(30) NOT NULL,
    ControllerID int NOT NULL,
    StatusType int NOT NULL,
    Status nvarchar(4000) NOT NULL DEFAULT '',
    LastUpdated datetime NULL,
    PRIMARY KEY (ControllerID, StatusType));
CREATE TABLE ThreatLevels (
    ThreatID int NOT NULL PRIMARY KEY,
    Name nvarchar(50) NOT NULL);

CREATE TABLE ZRII_Controllers (
    ID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    Installed int NOT NULL DEFAULT 1,
    Online int NOT NULL DEFAULT 1);
CREATE TABLE ZRII_Doors (
    DoorID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES ZRII_Controllers (ID),
    TwoPersonRule varchar(38) NOT NULL DEFAULT '{00000000-0000-0000-0000-000000000000}',
    Disabled int NOT NULL DEFAULT 0);
CREATE TABLE ZRII_Inputs (
    InputID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES ZRII_Controllers (ID),
    [Index] int NOT NULL,
    Expansion int NOT NULL DEFAULT 0,
    Disabled int NOT NULL DEFAULT 0,
    NormallyClosed int NOT NULL DEFAULT -1,
    LineModuleType int NOT NULL DEFAULT 1,
    MaskSource int NOT NULL DEFAULT 0,
    ContactStatus int NOT NULL DEFAULT 17);
CREATE TABLE ZRII_Relays (
    RelayID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES ZRII_Controllers (ID),
    [Index] int NOT NULL,
    RelayType int NOT NULL DEFAULT 2,
    NormalStateEnergized int NOT NULL DEFAULT 0,
    EnergizedStatus int NOT NULL DEFAULT 0,
    OperationsStatus int NOT NULL DEFAULT 0);
CREATE TABLE ZRII_Readers (
    ReaderID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES ZRII_Controllers (ID),
    ThreatLevel int NOT NULL DEFAULT 0);
CREATE TABLE ZRII_Modules (
    ID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    Address varchar(30) NOT NULL UNIQUE,
    ControllerID int NOT NULL REFERENCES ZRII_Controllers (ID),
    DeviceSubType int NOT NULL,
    Installed int NOT NULL DEFAULT 1,
    Online int NOT NULL DEFAULT 1,
    InTamper int NOT NULL DEFAULT 0);
CREATE TABLE ZRII_Keypads (
    ID int NOT NULL PRIMARY KEY,
    KeypadModuleID int NOT NULL REFERENCES ZRII_Modules (ID),
    Address varchar(30) NOT NULL UNIQUE,
    PhysicalTamperLockout int NOT NULL DEFAULT 0,
    CodeTamperLockout int NOT NULL DEFAULT 0);
CREATE TABLE ZRII_KeypadsInReader (
    ReaderID int NOT NULL REFERENCES ZRII_Readers (ReaderID),
    KeypadID int NOT NULL REFERENCES ZRII_Keypads (ID),
    PRIMARY KEY (ReaderID, KeypadID));
CREATE TABLE ZRII_InputsInDoorsRelations (
    DoorID int NOT NULL REFERENCES ZRII_Doors (DoorID),
    InputID int NOT NULL REFERENCES ZRII_Inputs (InputID),
    PRIMARY KEY (DoorID, InputID));
CREATE TABLE ZRII_RelaysInDoorsRelations (
    DoorID int NOT NULL REFERENCES ZRII_Doors (DoorID),
    RelayID int NOT NULL REFERENCES ZRII_Relays (RelayID),
    PRIMARY KEY (DoorID, RelayID));
CREATE TABLE ZRII_ReadersInDoorsRelations (
    DoorID int NOT NULL REFERENCES ZRII_Doors (DoorID),
    ReaderID int NOT NULL REFERENCES ZRII_Readers (ReaderID),
    PRIMARY KEY (DoorID, ReaderID));

-- A group's points go with the group.
CREATE TABLE Status_Groups (
    GroupID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    GroupName nvarchar(50) NOT NULL,
    SiteID int NOT NULL DEFAULT 1);
CREATE TABLE Status_Points (
    GroupID int NOT NULL REFERENCES Status_Groups (GroupID) ON DELETE CASCADE,
    ObjectID int NOT NULL,
    PointID int NOT NULL,
    ListName nvarchar(64) NOT NULL DEFAULT '',
    ListSmallIcon smallint NOT NULL DEFAULT 0,
    ListAddress varchar(30) NOT NULL,
    AlternateFlag tinyint NOT NULL DEFAULT 0,
    StatusPointID int IDENTITY(1, 1) NOT NULL PRIMARY KEY);

CREATE TABLE Operators (
    OperatorID int NOT NULL PRIMARY KEY,
    LoginName nvarchar(64) NOT NULL UNIQUE,
    FullName nvarchar(100) NOT NULL DEFAULT '',
    SecurityDomain int NOT NULL DEFAULT 1);
CREATE TABLE OperatorPasswords (
    OperatorID int NOT NULL PRIMARY KEY REFERENCES Operators (OperatorID),
    PasswordHash varchar(128) NOT NULL,
    ChangedAt datetime NULL);
CREATE TABLE SiteSettings (
    Name nvarchar(64) NOT NULL PRIMARY KEY,
    Value nvarchar(255) NOT NULL);
CREATE TABLE OperatorGroups (
    GroupID int NOT NULL PRIMARY KEY,
    GroupName nvarchar(64) NOT NULL UNIQUE);
CREATE TABLE OperatorsToGroups (
    OperatorID int NOT NULL REFERENCES Operators (OperatorID),
    GroupID int NOT NULL REFERENCES OperatorGroups (GroupID),
    PRIMARY KEY (OperatorID, GroupID));
CREATE TABLE OperatorPermissions (
    GroupID int NOT NULL REFERENCES OperatorGroups (GroupID),
    PermissionKind int NOT NULL,
    ObjectNumber int NOT NULL DEFAULT 0,
    Granted int NOT NULL DEFAULT 1,
    PRIMARY KEY (GroupID, PermissionKind, ObjectNumber));
CREATE TABLE boundaries (
    Address varchar(30) NOT NULL,
    objecttype int NOT NULL,
    WorkstationID int NOT NULL,
    GroupID int NOT NULL REFERENCES OperatorGroups (GroupID));
CREATE TABLE Profiles (
    ProfileID int NOT NULL PRIMARY KEY,
    Name nvarchar(64) NOT NULL,
    StatusGroupID int NOT NULL DEFAULT 0);
CREATE TABLE Profile_Details (
    ProfileID int NOT NULL,
    ObjectID int NOT NULL,
    DetailName nvarchar(50) NOT NULL,
    DetailValue nvarchar(4000) NOT NULL DEFAULT '',
    PRIMARY KEY (ProfileID, ObjectID, DetailName));
CREATE TABLE Workstations (
    WorkstationID int NOT NULL PRIMARY KEY,
    ComputerName nvarchar(64) NOT NULL UNIQUE,
    ProfileID int NULL REFERENCES Profiles (ProfileID));
CREATE TABLE ComponentLocks (
    Kind int NOT NULL,
    ComponentID int NOT NULL,
    Holder nvarchar(100) NOT NULL,
    WorkstationName nvarchar(64) NOT NULL,
    LockedAt datetime NULL,
    PRIMARY KEY (Kind, ComponentID));
CREATE TABLE EventLog (
    EventID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    EventTime datetime NOT NULL,
    Description nvarchar(255) NOT NULL,
    DeviceKind nvarchar(64) NOT NULL DEFAULT '',
    DeviceNumber int NOT NULL DEFAULT 0,
    Details nvarchar(255) NOT NULL DEFAULT '',
    EventCode int NOT NULL,
    WorkstationID int NULL,
    OperatorID int NULL);

CREATE TABLE AlarmStates (
    Address varchar(30) NOT NULL PRIMARY KEY,
    RaisedAt datetime NOT NULL,
    ClearedAt datetime NULL,
    AcknowledgedAt datetime NULL,
    AcknowledgedBy nvarchar(64) NULL);

CREATE TABLE AlarmJournal (
    JournalID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    EventTime datetime NOT NULL,
    Event nvarchar(16) NOT NULL,
    Address varchar(30) NOT NULL,
    RaisedAt datetime NULL,
    OperatorName nvarchar(64) NOT NULL DEFAULT '',
    Comment nvarchar(255) NOT NULL DEFAULT '');

CREATE TABLE ShelvedPoints (
    Address varchar(30) NOT NULL PRIMARY KEY,
    ShelvedAt datetime NOT NULL,
    ShelvedUntil datetime NOT NULL,
    ShelvedBy nvarchar(64) NOT NULL DEFAULT '');

CREATE INDEX SuperStatus_Address ON SuperStatus (Address, StatusType);
CREATE INDEX SuperStatus_Type ON SuperStatus (StatusType);
CREATE INDEX AlarmJournal_Time ON AlarmJournal (EventTime);
CREATE INDEX Status_Points_Group ON Status_Points (GroupID, StatusPointID);
CREATE INDEX Status_Groups_Name ON Status_Groups (GroupName);
CREATE INDEX Doors_Controller ON Doors (ControllerID);
CREATE INDEX Readers_Controller ON Readers (ControllerID);
CREATE INDEX ExpInputs_Controller ON ExpInputs (ControllerID);
CREATE INDEX ExpOutputs_Controller ON ExpOutputs (ControllerID);
CREATE INDEX Controllers_Port ON Controllers (PortID);
CREATE INDEX ZRII_Readers_Controller ON ZRII_Readers (ControllerID, ThreatLevel);
CREATE INDEX ZRII_Inputs_Mask ON ZRII_Inputs (MaskSource);
CREATE INDEX ZRII_Keypads_Module ON ZRII_Keypads (KeypadModuleID);
CREATE INDEX ZRII_KeypadsInReader_Keypad ON ZRII_KeypadsInReader (KeypadID);
CREATE INDEX ZRII_InputsInDoors_Input ON ZRII_InputsInDoorsRelations (InputID);
CREATE INDEX ZRII_RelaysInDoors_Relay ON ZRII_RelaysInDoorsRelations (RelayID);
CREATE INDEX ZRII_ReadersInDoors_Reader ON ZRII_ReadersInDoorsRelations (ReaderID);
CREATE INDEX OperatorsToGroups_Group ON OperatorsToGroups (GroupID);
CREATE INDEX boundaries_Address ON boundaries (Address, objecttype, WorkstationID);
GO
