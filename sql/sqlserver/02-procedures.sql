-- The stored procedures of the site database on SQL Server (after 01-tables.sql), the same
-- procedures with the same parameters as the embedded site (src/db/SiteProcedures.cpp). Each says
-- SET NOCOUNT ON, so its callers get its rows (or nothing) and no row counts before them.
--
-- STATUS_Fetch_* and ZRII_Status_Fetch_*Info: one point kind's points of a status group, in the
-- group's saved order. KSP_Fetch_Status_*: every point of that kind on the site (the catalogue of
-- points a group can hold); the computer name selects nothing. The first column is the point's id.

CREATE PROCEDURE STATUS_Fetch_Doors @GroupID int AS
SET NOCOUNT ON;
SELECT d.DoorId, d.DoorName, d.Address, i.PanelType, o.TwoMan, o.invert, i.Disabled, d.InputIndex, i.AnlgMode, i.NormalyOpen, d.OutputIndex, d.ReaderIndex, d.ControllerID
    FROM Status_Points sp JOIN Doors d ON d.DoorId = sp.PointID
    JOIN Inputs i ON i.ControllerID = d.ControllerID AND i.[Index] = d.InputIndex
    JOIN Outputs o ON o.ControllerID = d.ControllerID AND o.[Index] = d.OutputIndex
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 1
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Inputs @GroupID int AS
SET NOCOUNT ON;
SELECT i.InputID, i.Name, i.Address, i.AnlgMode, i.Disabled, i.NormalyOpen, i.PanelType, i.[Index], i.BelongToDoor, i.ControllerID
    FROM Status_Points sp JOIN Inputs i ON i.InputID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 2
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Relays @GroupID int AS
SET NOCOUNT ON;
SELECT o.OutputID, o.Name, o.Address, o.invert, o.TwoMan, o.[Index], o.ControllerID
    FROM Status_Points sp JOIN Outputs o ON o.OutputID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 3
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Readers @GroupID int AS
SET NOCOUNT ON;
SELECT r.ReaderId, r.Name, r.Address, r.[Index], r.ControllerID
    FROM Status_Points sp JOIN Readers r ON r.ReaderId = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 4
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Controllers @GroupID int AS
SET NOCOUNT ON;
SELECT c.Controller_ID, c.Controller_Name, c.Address, c.Installed, c.PortID
    FROM Status_Points sp JOIN Controllers c ON c.Controller_ID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 5
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Pylons @GroupID int AS
SET NOCOUNT ON;
SELECT p.PylonID, p.PylonName, p.Address, p.Revision, p.Enabled, p.LastUpdated, p.PortID
    FROM Status_Points sp JOIN Pylons p ON p.PylonID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 6
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_Ports @GroupID int AS
SET NOCOUNT ON;
SELECT p.PortID, p.PortName, p.Address, p.PortType, p.PortStyle, p.Enabled, p.ModemStatus, p.LastUpdated
    FROM Status_Points sp JOIN ServerPorts p ON p.PortID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 7
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_XInputs @GroupID int AS
SET NOCOUNT ON;
SELECT e.ExpInputID, e.Name, e.Address, e.InputIndex, b.nxinputs, e.Disabled, e.normal_open, e.Anlg_mode, e.ControllerID
    FROM Status_Points sp JOIN ExpInputs e ON e.ExpInputID = sp.PointID
    JOIN PanelBasicSetups b ON b.ControllerID = e.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 8
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE STATUS_Fetch_XRelays @GroupID int AS
SET NOCOUNT ON;
SELECT x.ExpOutputID, x.Name, x.Address, x.OutputIndex, x.invert, b.ef_reb1, b.ef_reb2, b.ef_reb3, b.ef_reb4, b.ef_reb5, b.ef_reb6, b.ef_reb7, b.ef_reb8, b.ef_reb64, x.ControllerID
    FROM Status_Points sp JOIN ExpOutputs x ON x.ExpOutputID = sp.PointID
    JOIN PanelBasicSetups b ON b.ControllerID = x.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 9
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_DoorInfo @GroupID int AS
SET NOCOUNT ON;
SELECT d.DoorID, d.Name, d.Address, d.TwoPersonRule, d.Disabled, i.LineModuleType, i.MaskSource, i.NormallyClosed, i.ContactStatus, r.NormalStateEnergized, r.EnergizedStatus, r.OperationsStatus, zc.Online AS ControllerOnline, d.ControllerID
    FROM Status_Points sp JOIN ZRII_Doors d ON d.DoorID = sp.PointID
    LEFT JOIN ZRII_Inputs i ON i.InputID = (SELECT TOP 1 x.InputID FROM ZRII_InputsInDoorsRelations x
        JOIN ZRII_Inputs y ON y.InputID = x.InputID WHERE x.DoorID = d.DoorID ORDER BY y.[Index])
    LEFT JOIN ZRII_Relays r ON r.RelayID = (SELECT min(x.RelayID) FROM ZRII_RelaysInDoorsRelations x WHERE x.DoorID = d.DoorID)
    LEFT JOIN ZRII_Controllers zc ON zc.ID = d.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 101
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_InputInfo @GroupID int AS
SET NOCOUNT ON;
SELECT i.InputID, i.Name, i.Address, i.MaskSource, i.ContactStatus, i.LineModuleType, i.Disabled, i.NormallyClosed, i.Expansion, i.[Index], zc.Online AS ControllerOnline
    FROM Status_Points sp JOIN ZRII_Inputs i ON i.InputID = sp.PointID
    LEFT JOIN ZRII_Controllers zc ON zc.ID = i.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 102
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_RelayInfo @GroupID int AS
SET NOCOUNT ON;
SELECT r.RelayID, r.Name, r.Address, r.NormalStateEnergized, r.EnergizedStatus, r.OperationsStatus, r.RelayType, zc.Online AS ControllerOnline
    FROM Status_Points sp JOIN ZRII_Relays r ON r.RelayID = sp.PointID
    LEFT JOIN ZRII_Controllers zc ON zc.ID = r.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 103
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_ReaderInfo @GroupID int AS
SET NOCOUNT ON;
SELECT r.ReaderID, r.Name, r.Address,
        coalesce((SELECT max(k.CodeTamperLockout) FROM ZRII_KeypadsInReader kr JOIN ZRII_Keypads k ON k.ID = kr.KeypadID
                  WHERE kr.ReaderID = r.ReaderID), 0) AS CodeTamperLockout,
        coalesce((SELECT max(k.PhysicalTamperLockout) FROM ZRII_KeypadsInReader kr JOIN ZRII_Keypads k ON k.ID = kr.KeypadID
                  WHERE kr.ReaderID = r.ReaderID), 0) AS PhysicalTamperLockout,
        r.ThreatLevel, zc.Online AS ControllerOnline
    FROM Status_Points sp JOIN ZRII_Readers r ON r.ReaderID = sp.PointID
    LEFT JOIN ZRII_Controllers zc ON zc.ID = r.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 104
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_ControllerInfo @GroupID int AS
SET NOCOUNT ON;
SELECT c.ID, c.Name, c.Address, c.Installed, c.Online
    FROM Status_Points sp JOIN ZRII_Controllers c ON c.ID = sp.PointID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 105
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE ZRII_Status_Fetch_ModuleInfo @GroupID int AS
SET NOCOUNT ON;
SELECT m.ID, m.Name, m.Address, m.Installed, m.Online, m.InTamper, m.DeviceSubType, zc.Online AS ControllerOnline
    FROM Status_Points sp JOIN ZRII_Modules m ON m.ID = sp.PointID
    LEFT JOIN ZRII_Controllers zc ON zc.ID = m.ControllerID
    WHERE sp.GroupID = @GroupID AND sp.ObjectID = 108
    ORDER BY sp.StatusPointID;
GO

CREATE PROCEDURE KSP_Fetch_Status_Doors @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT d.DoorId, d.DoorName, d.Address, i.PanelType, o.TwoMan, o.invert, i.Disabled, d.InputIndex, i.AnlgMode, i.NormalyOpen, d.OutputIndex, d.ReaderIndex, d.ControllerID
    FROM Doors d
    JOIN Inputs i ON i.ControllerID = d.ControllerID AND i.[Index] = d.InputIndex
    JOIN Outputs o ON o.ControllerID = d.ControllerID AND o.[Index] = d.OutputIndex
    ORDER BY d.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Inputs @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT i.InputID, i.Name, i.Address, i.AnlgMode, i.Disabled, i.NormalyOpen, i.PanelType, i.[Index], i.BelongToDoor, i.ControllerID
    FROM Inputs i
    ORDER BY i.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Relays @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT o.OutputID, o.Name, o.Address, o.invert, o.TwoMan, o.[Index], o.ControllerID
    FROM Outputs o
    ORDER BY o.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Readers @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT r.ReaderId, r.Name, r.Address, r.[Index], r.ControllerID
    FROM Readers r
    ORDER BY r.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Controllers @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT c.Controller_ID, c.Controller_Name, c.Address, c.Installed, c.PortID
    FROM Controllers c
    ORDER BY c.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Pylons @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT p.PylonID, p.PylonName, p.Address, p.Revision, p.Enabled, p.LastUpdated, p.PortID
    FROM Pylons p
    ORDER BY p.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_Ports @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT p.PortID, p.PortName, p.Address, p.PortType, p.PortStyle, p.Enabled, p.ModemStatus, p.LastUpdated
    FROM ServerPorts p
    ORDER BY p.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_XInputs @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT e.ExpInputID, e.Name, e.Address, e.InputIndex, b.nxinputs, e.Disabled, e.normal_open, e.Anlg_mode, e.ControllerID
    FROM ExpInputs e
    JOIN PanelBasicSetups b ON b.ControllerID = e.ControllerID
    ORDER BY e.Address;
GO

CREATE PROCEDURE KSP_Fetch_Status_XOutputs @ComputerName nvarchar(64) AS
SET NOCOUNT ON;
SELECT x.ExpOutputID, x.Name, x.Address, x.OutputIndex, x.invert, b.ef_reb1, b.ef_reb2, b.ef_reb3, b.ef_reb4, b.ef_reb5, b.ef_reb6, b.ef_reb7, b.ef_reb8, b.ef_reb64, x.ControllerID
    FROM ExpOutputs x
    JOIN PanelBasicSetups b ON b.ControllerID = x.ControllerID
    ORDER BY x.Address;
GO

-- Inserts or replaces one layout detail of a profile; the row keeps its place when replaced.
CREATE PROCEDURE KSP_Update_Profile_Persisted_Details @ProfileID int, @ObjectID int, @DetailName nvarchar(50),
    @Value nvarchar(4000) AS
SET NOCOUNT ON;
UPDATE Profile_Details SET DetailValue = coalesce(@Value, '')
    WHERE ProfileID = @ProfileID AND ObjectID = @ObjectID AND DetailName = @DetailName;
IF @@ROWCOUNT = 0
    INSERT INTO Profile_Details (ProfileID, ObjectID, DetailName, DetailValue)
        VALUES (@ProfileID, @ObjectID, @DetailName, coalesce(@Value, ''));
GO

-- Creates a status group; its new GroupID comes back in @ReturnedID.
CREATE PROCEDURE KSP_Insert_Status_Group @SiteID int, @GroupName nvarchar(50), @ReturnedID int OUTPUT AS
SET NOCOUNT ON;
INSERT INTO Status_Groups (GroupName, SiteID) VALUES (@GroupName, coalesce(@SiteID, 1));
SET @ReturnedID = SCOPE_IDENTITY();
GO

-- The status groups an operator may see (Mode 1; other modes list nothing): the groups of the
-- operator's security domain for which one of the operator's groups grants permission 14 for the
-- group's id or for 0, and none denies it for the group's id.
CREATE PROCEDURE KSP_Roles_Fetch_StatusGroups @Mode int, @OperatorID int AS
SET NOCOUNT ON;
SELECT g.GroupID, g.GroupName FROM Status_Groups g
    WHERE @Mode = 1
    AND g.SiteID = (SELECT o.SecurityDomain FROM Operators o WHERE o.OperatorID = @OperatorID)
    AND EXISTS (SELECT 1 FROM OperatorsToGroups og JOIN OperatorPermissions p ON p.GroupID = og.GroupID
                WHERE og.OperatorID = @OperatorID AND p.PermissionKind = 14 AND p.Granted <> 0
                AND p.ObjectNumber IN (0, g.GroupID))
    AND NOT EXISTS (SELECT 1 FROM OperatorsToGroups og JOIN OperatorPermissions p ON p.GroupID = og.GroupID
                    WHERE og.OperatorID = @OperatorID AND p.PermissionKind = 14 AND p.Granted = 0
                    AND p.ObjectNumber = g.GroupID)
    ORDER BY g.GroupName, g.GroupID;
GO

-- The classic controllers whose address begins with the given text, compared as text (no LIKE
-- pattern).
CREATE PROCEDURE KSP_Fetch_ControllersFromAddress @Address varchar(30) AS
SET NOCOUNT ON;
SELECT Controller_ID, Installed, Address, Controller_Name FROM Controllers
    WHERE LEFT(Address, DATALENGTH(@Address)) = @Address
    ORDER BY Address;
GO
