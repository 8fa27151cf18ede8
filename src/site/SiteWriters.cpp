#include "site/SiteWriters.h"

#include <statusobject/Db.h>

#include <QSqlError>

namespace so::db {

RowInserter::RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns)
    : query_(db), columnCount_(int(columns.size())) {
    QStringList marks;
    for (int i = 0; i < columnCount_; ++i)
        marks.append(QStringLiteral("?"));
    statement_ = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    if (!query_.prepare(statement_))
        throw DbError(QStringLiteral("Preparing an insert into %1 failed").arg(table), statement_,
                      query_.lastError().text());
}

void RowInserter::insert(std::initializer_list<QVariant> values) {
    if (int(values.size()) != columnCount_)
        throw DbError(QStringLiteral("An insert got %1 values for %2 columns").arg(values.size()).arg(columnCount_),
                      statement_);
    int index = 0;
    for (const QVariant& value : values)
        query_.bindValue(index++, value);
    if (!query_.exec())
        throw DbError(QStringLiteral("Writing a site row failed"), statement_, query_.lastError().text());
}

SiteWriters::SiteWriters(const QSqlDatabase& db)
    : ports(db, "ServerPorts",
            {"PortID", "PortName", "Address", "PortType", "PortStyle", "Enabled", "ModemStatus", "LastUpdated"}),
      pylons(db, "Pylons", {"PylonID", "PylonName", "Address", "PortID", "Revision", "Enabled", "LastUpdated"}),
      dvrConfig(db, "DVR_Config", {"GlobalAddressID", "Address2"}),
      csrConfig(db, "CSR_Config", {"GlobalAddressID", "Address2"}),
      controllers(db, "Controllers", {"Controller_ID", "Controller_Name", "Address", "PortID", "Installed"}),
      panelSetups(db, "PanelBasicSetups",
                  {"ControllerID", "nxinputs", "ef_reb1", "ef_reb2", "ef_reb3", "ef_reb4", "ef_reb5", "ef_reb6",
                   "ef_reb7", "ef_reb8", "ef_reb64"}),
      inputs(db, "Inputs",
             {"InputID", "Name", "Address", "ControllerID", "\"Index\"", "AnlgMode", "Disabled", "NormalyOpen",
              "PanelType", "BelongToDoor"}),
      outputs(db, "Outputs", {"OutputID", "Name", "Address", "ControllerID", "\"Index\"", "TwoMan", "invert"}),
      readers(db, "Readers", {"ReaderId", "Name", "Address", "ControllerID", "\"Index\""}),
      doors(db, "Doors",
            {"DoorId", "DoorName", "Address", "ControllerID", "InputIndex", "OutputIndex", "ReaderIndex", "Active"}),
      expInputs(
          db, "ExpInputs",
          {"ExpInputID", "Name", "Address", "ControllerID", "InputIndex", "Anlg_mode", "Disabled", "normal_open"}),
      expOutputs(db, "ExpOutputs", {"ExpOutputID", "Name", "Address", "ControllerID", "OutputIndex", "invert"}),
      superStatus(db, "SuperStatus", {"Address", "ControllerID", "StatusType", "Status", "LastUpdated"}),
      threatLevels(db, "ThreatLevels", {"ThreatID", "Name"}),
      zrControllers(db, "ZRII_Controllers", {"ID", "Name", "Address", "Installed", "Online"}),
      zrDoors(db, "ZRII_Doors", {"DoorID", "Name", "Address", "ControllerID", "TwoPersonRule", "Disabled"}),
      zrInputs(db, "ZRII_Inputs",
               {"InputID", "Name", "Address", "ControllerID", "\"Index\"", "Expansion", "Disabled", "NormallyClosed",
                "LineModuleType", "MaskSource", "ContactStatus"}),
      zrRelays(db, "ZRII_Relays",
               {"RelayID", "Name", "Address", "ControllerID", "\"Index\"", "RelayType", "NormalStateEnergized",
                "EnergizedStatus", "OperationsStatus"}),
      zrReaders(db, "ZRII_Readers", {"ReaderID", "Name", "Address", "ControllerID", "ThreatLevel"}),
      zrModules(db, "ZRII_Modules",
                {"ID", "Name", "Address", "ControllerID", "DeviceSubType", "Installed", "Online", "InTamper"}),
      zrKeypads(db, "ZRII_Keypads", {"ID", "KeypadModuleID", "Address", "PhysicalTamperLockout", "CodeTamperLockout"}),
      zrKeypadsInReader(db, "ZRII_KeypadsInReader", {"ReaderID", "KeypadID"}),
      zrInputsInDoors(db, "ZRII_InputsInDoorsRelations", {"DoorID", "InputID"}),
      zrRelaysInDoors(db, "ZRII_RelaysInDoorsRelations", {"DoorID", "RelayID"}),
      zrReadersInDoors(db, "ZRII_ReadersInDoorsRelations", {"DoorID", "ReaderID"}),
      groups(db, "Status_Groups", {"GroupID", "GroupName", "SiteID"}),
      points(db, "Status_Points",
             {"GroupID", "ObjectID", "PointID", "ListName", "ListSmallIcon", "ListAddress", "AlternateFlag"}),
      operators(db, "Operators", {"OperatorID", "LoginName", "FullName", "SecurityDomain"}),
      operatorPasswords(db, "OperatorPasswords", {"OperatorID", "PasswordHash"}),
      operatorGroups(db, "OperatorGroups", {"GroupID", "GroupName"}),
      operatorsToGroups(db, "OperatorsToGroups", {"OperatorID", "GroupID"}),
      permissions(db, "OperatorPermissions", {"GroupID", "PermissionKind", "ObjectNumber", "Granted"}),
      boundaries(db, "boundaries", {"Address", "objecttype", "WorkstationID", "GroupID"}),
      profiles(db, "Profiles", {"ProfileID", "Name", "StatusGroupID"}),
      profileDetails(db, "Profile_Details", {"ProfileID", "ObjectID", "DetailName", "DetailValue"}),
      workstations(db, "Workstations", {"WorkstationID", "ComputerName", "ProfileID"}) {}

}  // namespace so::db
