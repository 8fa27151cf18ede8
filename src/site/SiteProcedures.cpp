// The stored procedures of the embedded site database, kept as SQLite bodies in sys_procedures.
//
// Each point kind has one column list that serves two procedures: STATUS_Fetch_* /
// ZRII_Status_Fetch_*Info (the kind's points of one status group, in the group's saved order)
// and KSP_Fetch_Status_* (every point of that kind on the site, for the catalogue of points that
// can be added to a group). The first column is always the point's id.
#include "site/SiteSchema.h"

#include "domain/Address.h"

namespace so::db {
namespace {

/// How one point kind is read: its columns, its table (aliased) with the id column that
/// Status_Points.PointID refers to, and the joins that bring in its configuration.
struct KindSource {
    ObjectType objectType;
    QString columns;
    QString table;
    QString idColumn;
    QString joins;
};

/// The kind's points of the status group :GroupID, in the order they were saved.
QString groupBody(const KindSource& kind) {
    return QStringLiteral(
               "SELECT %1 FROM Status_Points sp JOIN %2 ON %3 = sp.PointID %4 "
               "WHERE sp.GroupID = :GroupID AND sp.ObjectID = %5 ORDER BY sp.StatusPointID")
        .arg(kind.columns, kind.table, kind.idColumn, kind.joins)
        .arg(objectTypeNumber(kind.objectType));
}

/// Every point of the kind on the site, by address.
QString siteBody(const KindSource& kind, const QString& addressColumn) {
    return QStringLiteral("SELECT %1 FROM %2 %3 ORDER BY %4").arg(kind.columns, kind.table, kind.joins, addressColumn);
}

/// Brings in the Online flag of a newer-line point's controller as zc.Online.
QString controllerOnlineJoin(const char* pointAlias) {
    return QStringLiteral("LEFT JOIN ZRII_Controllers zc ON zc.ID = %1.ControllerID").arg(QLatin1String(pointAlias));
}

QVector<SiteProcedure> buildProcedures() {
    const KindSource doors{
        ObjectType::Door,
        "d.DoorId, d.DoorName, d.Address, i.PanelType, o.TwoMan, o.invert, i.Disabled, d.InputIndex, "
        "i.AnlgMode, i.NormalyOpen, d.OutputIndex, d.ReaderIndex, d.ControllerID",
        "Doors d", "d.DoorId",
        "JOIN Inputs i ON i.ControllerID = d.ControllerID AND i.\"Index\" = d.InputIndex "
        "JOIN Outputs o ON o.ControllerID = d.ControllerID AND o.\"Index\" = d.OutputIndex"};
    const KindSource inputs{ObjectType::Input,
                            "i.InputID, i.Name, i.Address, i.AnlgMode, i.Disabled, i.NormalyOpen, i.PanelType, "
                            "i.\"Index\", i.BelongToDoor, i.ControllerID",
                            "Inputs i", "i.InputID", ""};
    const KindSource relays{ObjectType::Relay,
                            "o.OutputID, o.Name, o.Address, o.invert, o.TwoMan, o.\"Index\", o.ControllerID",
                            "Outputs o", "o.OutputID", ""};
    const KindSource readers{ObjectType::Reader, "r.ReaderId, r.Name, r.Address, r.\"Index\", r.ControllerID",
                             "Readers r", "r.ReaderId", ""};
    const KindSource controllers{ObjectType::Controller,
                                 "c.Controller_ID, c.Controller_Name, c.Address, c.Installed, c.PortID",
                                 "Controllers c", "c.Controller_ID", ""};
    const KindSource pylons{ObjectType::Pylon,
                            "p.PylonID, p.PylonName, p.Address, p.Revision, p.Enabled, p.LastUpdated, p.PortID",
                            "Pylons p", "p.PylonID", ""};
    const KindSource ports{ObjectType::ServerPort,
                           "p.PortID, p.PortName, p.Address, p.PortType, p.PortStyle, p.Enabled, p.ModemStatus, "
                           "p.LastUpdated",
                           "ServerPorts p", "p.PortID", ""};
    const KindSource expInputs{ObjectType::ExpInput,
                               "e.ExpInputID, e.Name, e.Address, e.InputIndex, b.nxinputs, e.Disabled, "
                               "e.normal_open, e.Anlg_mode, e.ControllerID",
                               "ExpInputs e", "e.ExpInputID",
                               "JOIN PanelBasicSetups b ON b.ControllerID = e.ControllerID"};
    const KindSource expRelays{ObjectType::ExpRelay,
                               "x.ExpOutputID, x.Name, x.Address, x.OutputIndex, x.invert, b.ef_reb1, b.ef_reb2, "
                               "b.ef_reb3, b.ef_reb4, b.ef_reb5, b.ef_reb6, b.ef_reb7, b.ef_reb8, b.ef_reb64, "
                               "x.ControllerID",
                               "ExpOutputs x", "x.ExpOutputID",
                               "JOIN PanelBasicSetups b ON b.ControllerID = x.ControllerID"};

    // Newer line. A door's contact is its input with the lowest "Index", its relay the first
    // related relay; ControllerOnline is the Online flag of the point's controller.
    const KindSource zrDoors{
        ObjectType::ZR2Door,
        "d.DoorID, d.Name, d.Address, d.TwoPersonRule, d.Disabled, i.LineModuleType, i.MaskSource, "
        "i.NormallyClosed, i.ContactStatus, r.NormalStateEnergized, r.EnergizedStatus, r.OperationsStatus, "
        "zc.Online AS ControllerOnline, d.ControllerID",
        "ZRII_Doors d", "d.DoorID",
        "LEFT JOIN ZRII_Inputs i ON i.InputID = (SELECT x.InputID FROM ZRII_InputsInDoorsRelations x "
        "JOIN ZRII_Inputs y ON y.InputID = x.InputID WHERE x.DoorID = d.DoorID ORDER BY y.\"Index\" LIMIT 1) "
        "LEFT JOIN ZRII_Relays r ON r.RelayID = (SELECT min(x.RelayID) FROM ZRII_RelaysInDoorsRelations x "
        "WHERE x.DoorID = d.DoorID) " +
            controllerOnlineJoin("d")};
    const KindSource zrInputs{ObjectType::ZR2Input,
                              "i.InputID, i.Name, i.Address, i.MaskSource, i.ContactStatus, i.LineModuleType, "
                              "i.Disabled, i.NormallyClosed, i.Expansion, i.\"Index\", zc.Online AS ControllerOnline",
                              "ZRII_Inputs i", "i.InputID", controllerOnlineJoin("i")};
    const KindSource zrRelays{ObjectType::ZR2Relay,
                              "r.RelayID, r.Name, r.Address, r.NormalStateEnergized, r.EnergizedStatus, "
                              "r.OperationsStatus, r.RelayType, zc.Online AS ControllerOnline",
                              "ZRII_Relays r", "r.RelayID", controllerOnlineJoin("r")};
    const KindSource zrReaders{
        ObjectType::ZR2Reader,
        "r.ReaderID, r.Name, r.Address, "
        "coalesce((SELECT max(k.CodeTamperLockout) FROM ZRII_KeypadsInReader kr JOIN ZRII_Keypads k "
        "ON k.ID = kr.KeypadID WHERE kr.ReaderID = r.ReaderID), 0) AS CodeTamperLockout, "
        "coalesce((SELECT max(k.PhysicalTamperLockout) FROM ZRII_KeypadsInReader kr JOIN ZRII_Keypads k "
        "ON k.ID = kr.KeypadID WHERE kr.ReaderID = r.ReaderID), 0) AS PhysicalTamperLockout, "
        "r.ThreatLevel, zc.Online AS ControllerOnline",
        "ZRII_Readers r", "r.ReaderID", controllerOnlineJoin("r")};
    const KindSource zrControllers{ObjectType::ZR2Controller, "c.ID, c.Name, c.Address, c.Installed, c.Online",
                                   "ZRII_Controllers c", "c.ID", ""};
    const KindSource zrModules{ObjectType::ZR2Module,
                               "m.ID, m.Name, m.Address, m.Installed, m.Online, m.InTamper, m.DeviceSubType, "
                               "zc.Online AS ControllerOnline",
                               "ZRII_Modules m", "m.ID", controllerOnlineJoin("m")};

    // The ZRII_Status_Fetch_*Info procedures take one argument: the status group whose points of
    // that kind are returned. The device details refresh also sends them a device number; it gets
    // the points of the group with that number, so a caller that wants one device picks its row
    // by the id column from the current group's result instead.
    const QString group = QStringLiteral("GroupID");
    // The catalogue procedures take the asking workstation's computer name. The embedded site
    // serves every point to every workstation, so the name selects nothing (the expansion relay
    // catalogue is even called with an empty name).
    const QString computer = QStringLiteral("ComputerName");

    QVector<SiteProcedure> procedures{
        {"STATUS_Fetch_Doors", group, groupBody(doors)},
        {"STATUS_Fetch_Inputs", group, groupBody(inputs)},
        {"STATUS_Fetch_Relays", group, groupBody(relays)},
        {"STATUS_Fetch_Readers", group, groupBody(readers)},
        {"STATUS_Fetch_Controllers", group, groupBody(controllers)},
        {"STATUS_Fetch_Pylons", group, groupBody(pylons)},
        {"STATUS_Fetch_Ports", group, groupBody(ports)},
        {"STATUS_Fetch_XInputs", group, groupBody(expInputs)},
        {"STATUS_Fetch_XRelays", group, groupBody(expRelays)},
        {"ZRII_Status_Fetch_DoorInfo", group, groupBody(zrDoors)},
        {"ZRII_Status_Fetch_InputInfo", group, groupBody(zrInputs)},
        {"ZRII_Status_Fetch_RelayInfo", group, groupBody(zrRelays)},
        {"ZRII_Status_Fetch_ReaderInfo", group, groupBody(zrReaders)},
        {"ZRII_Status_Fetch_ControllerInfo", group, groupBody(zrControllers)},
        {"ZRII_Status_Fetch_ModuleInfo", group, groupBody(zrModules)},
        {"KSP_Fetch_Status_Doors", computer, siteBody(doors, "d.Address")},
        {"KSP_Fetch_Status_Inputs", computer, siteBody(inputs, "i.Address")},
        {"KSP_Fetch_Status_Relays", computer, siteBody(relays, "o.Address")},
        {"KSP_Fetch_Status_Readers", computer, siteBody(readers, "r.Address")},
        {"KSP_Fetch_Status_Controllers", computer, siteBody(controllers, "c.Address")},
        {"KSP_Fetch_Status_Pylons", computer, siteBody(pylons, "p.Address")},
        {"KSP_Fetch_Status_Ports", computer, siteBody(ports, "p.Address")},
        {"KSP_Fetch_Status_XInputs", computer, siteBody(expInputs, "e.Address")},
        {"KSP_Fetch_Status_XOutputs", computer, siteBody(expRelays, "x.Address")},
    };

    // Inserts or replaces one layout detail of a profile; the row keeps its place when replaced.
    procedures.append(
        {"KSP_Update_Profile_Persisted_Details", "ProfileID,ObjectID,DetailName,Value",
         "INSERT INTO Profile_Details (ProfileID, ObjectID, DetailName, DetailValue) "
         "VALUES (:ProfileID, :ObjectID, :DetailName, coalesce(:Value, '')) "
         "ON CONFLICT (ProfileID, ObjectID, DetailName) DO UPDATE SET DetailValue = excluded.DetailValue"});
    // Creates a status group and returns its new GroupID.
    procedures.append({"KSP_Insert_Status_Group", "SiteID,GroupName,ReturnedID OUTPUT",
                       "INSERT INTO Status_Groups (GroupName, SiteID) VALUES (:GroupName, coalesce(:SiteID, 1)); "
                       "SELECT last_insert_rowid() AS ReturnedID"});
    // The status groups an operator may see (Mode 1; other modes list nothing): the groups of the
    // operator's security domain for which the operator holds permission 14 with the group's id,
    // by the rule of OperatorPermissions (a grant for the id or for 0, and no denial of the id).
    procedures.append(
        {"KSP_Roles_Fetch_StatusGroups", "Mode,OperatorID",
         "SELECT g.GroupID, g.GroupName FROM Status_Groups g "
         "WHERE CAST(:Mode AS INTEGER) = 1 "
         "AND g.SiteID = (SELECT o.SecurityDomain FROM Operators o WHERE o.OperatorID = :OperatorID) "
         "AND EXISTS (SELECT 1 FROM OperatorsToGroups og JOIN OperatorPermissions p ON p.GroupID = og.GroupID "
         "WHERE og.OperatorID = :OperatorID AND p.PermissionKind = 14 AND p.Granted <> 0 "
         "AND p.ObjectNumber IN (0, g.GroupID)) "
         "AND NOT EXISTS (SELECT 1 FROM OperatorsToGroups og JOIN OperatorPermissions p ON p.GroupID = og.GroupID "
         "WHERE og.OperatorID = :OperatorID AND p.PermissionKind = 14 AND p.Granted = 0 "
         "AND p.ObjectNumber = g.GroupID) "
         "ORDER BY g.GroupName, g.GroupID"});
    // The classic controllers whose address begins with the given text (a controller address or a
    // network prefix); the address is compared as text, not as a LIKE pattern.
    procedures.append({"KSP_Fetch_ControllersFromAddress", "Address",
                       "SELECT Controller_ID, Installed, Address, Controller_Name FROM Controllers "
                       "WHERE substr(Address, 1, length(:Address)) = :Address ORDER BY Address"});
    return procedures;
}

}  // namespace

const QVector<SiteProcedure>& siteProcedures() {
    static const QVector<SiteProcedure> procedures = buildProcedures();
    return procedures;
}

}  // namespace so::db
