#include "status/Filler.h"

#include "base/Texts.h"
#include "domain/Address.h"
#include "domain/Permissions.h"
#include "domain/StateTexts.h"
#include "status/StatusDecoder.h"
#include "grid/ColumnLayout.h"
#include "status/DbRefresh.h"
#include "base/RecordFields.h"
#include "domain/KindIcon.h"
#include "grid/RedrawPause.h"
#include "status/RowCells.h"
#include "grid/Sections.h"

#include <QHash>

namespace so {
namespace {

const QString kNoTwoPersonRule = QStringLiteral("{00000000-0000-0000-0000-000000000000}");

/// The name icon of a port in the status grid by its style; none for a style of no known kind.
int portStyleIcon(const QString& style) {
    static const QHash<QString, int> icons{
        {QStringLiteral("CCTV"), 46}, {QStringLiteral("SNet"), 32}, {QStringLiteral("PNet"), 33},
        {QStringLiteral("DVR"), 45},  {QStringLiteral("CSR"), 65},
    };
    return icons.value(style, iconIndex(KindIcon::None));
}

/// LM Type of a classic input: its line module mode, two less on a newer-line address.
QString classicInputLineModule(qint64 mode, const QString& address) {
    return QString::number(address.contains(QLatin1String("ZRII")) ? mode - 2 : mode);
}

}  // namespace

Filler::Filler(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder, DbRefresh& refresh)
    : ctx_(ctx), sections_(sections), decoder_(decoder), refresh_(refresh) {}

const Filler::Kind* Filler::kindFor(int objectId) {
    static const Kind kinds[] = {
        {ObjectType::Door, "STATUS_Fetch_Doors ", Section::Doors, &Filler::classicDoor},
        {ObjectType::Input, "STATUS_Fetch_Inputs ", Section::Inputs, &Filler::classicInput},
        {ObjectType::Relay, "STATUS_Fetch_Relays ", Section::Relays, &Filler::classicRelay},
        {ObjectType::Reader, "STATUS_Fetch_Readers ", Section::Readers, &Filler::classicReader},
        {ObjectType::Controller, "STATUS_Fetch_Controllers ", Section::Controllers, &Filler::classicController},
        {ObjectType::Pylon, "STATUS_Fetch_Pylons ", Section::Boxes, &Filler::pylon},
        {ObjectType::ServerPort, "STATUS_Fetch_Ports ", Section::Ports, &Filler::serverPort},
        {ObjectType::ExpInput, "STATUS_Fetch_XInputs ", Section::Inputs, &Filler::expansionInput},
        {ObjectType::ExpRelay, "STATUS_Fetch_XRelays ", Section::Relays, &Filler::expansionRelay},
        {ObjectType::ZR2Door, "ZRII_Status_Fetch_DoorInfo ", Section::Doors, &Filler::newerLineDoor},
        {ObjectType::ZR2Input, "[ZRII_Status_Fetch_InputInfo] ", Section::Inputs, &Filler::newerLineInput},
        {ObjectType::ZR2Relay, "[ZRII_Status_Fetch_RelayInfo] ", Section::Relays, &Filler::newerLineRelay},
        {ObjectType::ZR2Reader, "ZRII_Status_Fetch_ReaderInfo ", Section::Readers, &Filler::newerLineReader},
        {ObjectType::ZR2Controller, "[ZRII_Status_Fetch_ControllerInfo] ", Section::Controllers,
         &Filler::newerLineController},
        {ObjectType::ZR2Module, "[ZRII_Status_Fetch_ModuleInfo] ", Section::Modules, &Filler::newerLineModule},
    };
    for (const Kind& kind : kinds)
        if (objectTypeNumber(kind.objectType) == objectId)
            return &kind;
    return nullptr;
}

bool Filler::makesRow(const Kind& kind, const db::Recordset& rs) {
    if (kind.objectType != ObjectType::ExpInput)
        return true;
    return fields::number(rs, QStringLiteral("InputIndex")) <= fields::number(rs, QStringLiteral("nxinputs"));
}

void Filler::appendRows(const Kind& kind, qint32 groupId, KindRecords* keep) {
    StatusGrid& grid = sections_.grid(kind.section);
    RedrawPause pause(grid);
    // A newer-line reader's state lives with its keypads: its row is brought up to date once the
    // kind's rows are read (the connection serves one result at a time).
    QVector<std::pair<QString, int>> readers;
    db::Recordset rs = ctx_.db().query(QString::fromLatin1(kind.command) + QString::number(groupId));
    const bool kept = keep != nullptr && isNewerLineObjectType(kind.objectType);
    if (kept)
        rs.readAll();
    for (; !rs.eof(); rs.moveNext()) {
        if (!makesRow(kind, rs))
            continue;
        const int row = grid.addRow();
        writeRow(kind, grid, row, rs);
        if (kind.objectType == ObjectType::ZR2Reader)
            readers.append({fields::text(rs, QStringLiteral("Address")), row});
    }
    if (kept) {
        rs.moveFirst();
        (*keep)[objectTypeNumber(kind.objectType)] = std::move(rs);
    }
    rs.close();
    for (const auto& [address, row] : readers)
        refresh_.DBStatusUpdate(RefreshTarget::ZR2Reader, address, row);
}

void Filler::writeNameAndAddress(StatusGrid& grid, int row, const db::Recordset& rs, const QString& nameField, int icon,
                                 const QString& idField) {
    rows::setCellIfColumn(grid, row, col::Name, fields::text(rs, nameField), rows::kNameFormat, icon);
    rows::setTextIfColumn(grid, row, col::Address, fields::text(rs, QStringLiteral("Address")));
    rows::setDataIfColumn(grid, row, col::Address, fields::number(rs, idField));
}

void Filler::writeEnabledFromDisabled(StatusGrid& grid, int row, const db::Recordset& rs) {
    rows::setTextIfColumn(grid, row, col::Enabled,
                          fields::yesNoText(ctx_, fields::number(rs, QStringLiteral("Disabled")) == 0));
}

// ---------------------------------------------------------------- classic line

void Filler::classicDoor(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("DoorName"), iconIndex(KindIcon::Door), QStringLiteral("DoorId"));
    const qint64 panelType = fields::number(rs, QStringLiteral("PanelType"));
    rows::setDataIfColumn(grid, row, col::Name, panelType);
    rows::setTextIfColumn(grid, row, col::TwoPersonRule,
                          fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("TwoMan"))));
    rows::setDataIfColumn(grid, row, col::TwoPersonRule, fields::number(rs, QStringLiteral("invert")));
    writeEnabledFromDisabled(grid, row, rs);
    rows::setTextIfColumn(grid, row, col::LMType,
                          rows::classicDoorLineModule(panelType, fields::number(rs, QStringLiteral("InputIndex")),
                                                      fields::number(rs, QStringLiteral("AnlgMode"))));
    rows::setDataIfColumn(grid, row, col::Status, qAbs(fields::number(rs, QStringLiteral("NormalyOpen"))));
}

void Filler::classicInput(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Input), QStringLiteral("InputID"));
    rows::setTextIfColumn(
        grid, row, col::LMType,
        classicInputLineModule(fields::number(rs, QStringLiteral("AnlgMode")), grid.text(row, col::Address)));
    writeEnabledFromDisabled(grid, row, rs);
    rows::setDataIfColumn(grid, row, col::Status, qAbs(fields::number(rs, QStringLiteral("NormalyOpen"))));
}

void Filler::classicRelay(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Relay), QStringLiteral("OutputID"));
    rows::setDataIfColumn(grid, row, col::Status, fields::number(rs, QStringLiteral("invert")));
}

void Filler::classicReader(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Reader), QStringLiteral("ReaderId"));
}

void Filler::classicController(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Controller_Name"), iconIndex(KindIcon::Controller),
                        QStringLiteral("Controller_ID"));
    rows::setTextIfColumn(grid, row, col::Enabled,
                          fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Installed"))));
}

void Filler::pylon(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("PylonName"), iconIndex(KindIcon::Pylon),
                        QStringLiteral("PylonID"));
    rows::setTextIfColumn(grid, row, col::Rev, fields::text(rs, QStringLiteral("Revision")));
    rows::setTextIfColumn(grid, row, col::Enabled,
                          fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Enabled"))));
    rows::setUpdatedIfColumn(grid, row, decoder_.ConvertDateTime(fields::text(rs, QStringLiteral("LastUpdated"))));
}

void Filler::serverPort(StatusGrid& grid, int row, const db::Recordset& rs) {
    const bool dialup = fields::number(rs, QStringLiteral("PortType")) == 4;
    const int icon =
        dialup ? iconIndex(KindIcon::DialupPort) : portStyleIcon(fields::text(rs, QStringLiteral("PortStyle")));
    writeNameAndAddress(grid, row, rs, QStringLiteral("PortName"), icon, QStringLiteral("PortID"));
    rows::setUpdatedIfColumn(grid, row, decoder_.ConvertDateTime(fields::text(rs, QStringLiteral("LastUpdated"))));
    rows::setTextIfColumn(grid, row, col::Enabled,
                          fields::yesNoText(ctx_, fields::flag(rs, QStringLiteral("Enabled"))));
    if (dialup)
        rows::setTextIfColumn(grid, row, col::Status,
                              GetDialupState(ctx_, qint16(fields::number(rs, QStringLiteral("ModemStatus")))));
}

void Filler::expansionInput(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Input),
                        QStringLiteral("ExpInputID"));
    writeEnabledFromDisabled(grid, row, rs);
    rows::setDataIfColumn(grid, row, col::Status, qAbs(fields::number(rs, QStringLiteral("normal_open"))));
    rows::setTextIfColumn(
        grid, row, col::LMType,
        classicInputLineModule(fields::number(rs, QStringLiteral("Anlg_mode")), grid.text(row, col::Address)));
}

void Filler::expansionRelay(StatusGrid& grid, int row, const db::Recordset& rs) {
    // Relays come on boards of eight (relays 1-8 board 1 ... 57-64 board 8). ef_reb64 says every
    // board is fitted, so the board lookup is only needed without it.
    const qint64 index = fields::number(rs, QStringLiteral("OutputIndex"));
    bool present = fields::flag(rs, QStringLiteral("ef_reb64"));
    if (!present && index >= 1 && index <= 64)
        present = fields::flag(rs, QStringLiteral("ef_reb%1").arg((index - 1) / 8 + 1));
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"),
                        present ? iconIndex(KindIcon::ExpansionRelay) : iconIndex(KindIcon::ExpansionRelayAbsent),
                        QStringLiteral("ExpOutputID"));
    rows::setDataIfColumn(grid, row, col::Status, fields::number(rs, QStringLiteral("invert")));
}

// ---------------------------------------------------------------- newer line

void Filler::newerLineDoor(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Door), QStringLiteral("DoorId"));
    rows::setDataIfColumn(grid, row, col::Name, DbRefresh::kNewerLineDoorMark);
    rows::setTextIfColumn(
        grid, row, col::TwoPersonRule,
        fields::yesNoText(ctx_, fields::text(rs, QStringLiteral("TwoPersonRule")) != kNoTwoPersonRule));
    // A door without a relay has no relay polarity and no relay state.
    rows::setDataIfColumn(grid, row, col::TwoPersonRule,
                          fields::flag(rs, QStringLiteral("NormalStateEnergized")) ? 1 : 0);
    writeEnabledFromDisabled(grid, row, rs);
    rows::setTextIfColumn(grid, row, col::LMType,
                          QString::number(fields::number(rs, QStringLiteral("LineModuleType"))));
    rows::writeMaskSource(grid, row, qint32(fields::number(rs, QStringLiteral("MaskSource"))));
    rows::setDataIfColumn(grid, row, col::Status,
                          rows::newerLinePolarity(fields::flag(rs, QStringLiteral("NormallyClosed"))));
    // The newer line reports no line voltage.
    rows::setTextIfColumn(grid, row, col::Voltage, rows::kOffline);
    if (rs.isNull(QStringLiteral("EnergizedStatus"))) {
        rows::setTextIfColumn(grid, row, col::RelayStatus, rows::kOffline);
        rows::setTextIfColumn(grid, row, col::RelayDetails, rows::kOffline);
    } else {
        rows::writeNewerLineRelayState(grid, row, rs, col::RelayStatus);
    }
    // The contact goes through the decoding the live reports take: Input1 to Input3, Alarm and
    // the door summary in Status come out exactly as a later live report would write them.
    rows::setTextIfColumn(grid, row, col::Alarm, GRS(ctx_, res::NotKnown));
    decoder_.UpdateList(Section::Doors, grid.text(row, col::Address), 1, QStringLiteral("ZR2_INPUT"),
                        refresh_.nowStamp().text, QString::number(fields::number(rs, QStringLiteral("ContactStatus"))));
}

void Filler::newerLineInput(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Input), QStringLiteral("InputID"));
    rows::writeMaskSource(grid, row, qint32(fields::number(rs, QStringLiteral("MaskSource"))));
    rows::setTextIfColumn(grid, row, col::LMType,
                          QString::number(fields::number(rs, QStringLiteral("LineModuleType"))));
    writeEnabledFromDisabled(grid, row, rs);
    rows::setDataIfColumn(grid, row, col::Status,
                          rows::newerLinePolarity(fields::flag(rs, QStringLiteral("NormallyClosed"))));
    // Input1 to Input3, Alarm and the input summary in Status, as a live report writes them.
    decoder_.UpdateList(Section::Inputs, grid.text(row, col::Address), 1, QStringLiteral("ZR2_INPUT"),
                        refresh_.nowStamp().text, QString::number(fields::number(rs, QStringLiteral("ContactStatus"))));
}

void Filler::newerLineRelay(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Relay), QStringLiteral("RelayId"));
    rows::setDataIfColumn(grid, row, col::Status, fields::flag(rs, QStringLiteral("NormalStateEnergized")) ? 1 : 0);
}

void Filler::newerLineReader(StatusGrid& grid, int row, const db::Recordset& rs) {
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"), iconIndex(KindIcon::Reader), QStringLiteral("ReaderId"));
    rows::writeLockout(grid, row, col::CTamper, fields::flag(rs, QStringLiteral("CodeTamperLockout")));
    rows::writeLockout(grid, row, col::PTamper, fields::flag(rs, QStringLiteral("PhysicalTamperLockout")));
}

void Filler::newerLineController(StatusGrid& grid, int row, const db::Recordset& rs) {
    const bool installed = fields::flag(rs, QStringLiteral("Installed"));
    const bool online = fields::flag(rs, QStringLiteral("Online"));
    writeNameAndAddress(grid, row, rs, QStringLiteral("Name"),
                        rows::newerLineIcon(rows::kZR2IconController, installed, online), QStringLiteral("ID"));
    rows::setTextIfColumn(grid, row, col::Enabled, fields::yesNoText(ctx_, installed));
    rows::setStateIfColumn(grid, row, col::Status, GRS(ctx_, online ? res::OnLine : res::NotKnown),
                           online ? RowConditions() : Condition::Offline);
}

void Filler::newerLineModule(StatusGrid& grid, int row, const db::Recordset& rs) {
    const bool online = fields::flag(rs, QStringLiteral("Online"));
    writeNameAndAddress(
        grid, row, rs, QStringLiteral("Name"),
        rows::newerLineIcon(rows::kZR2IconModule, fields::flag(rs, QStringLiteral("Installed")), online),
        QStringLiteral("ID"));
    rows::setStateIfColumn(grid, row, col::Status, GRS(ctx_, online ? res::OnLine : res::NotKnown),
                           online ? RowConditions() : Condition::Offline);
}

}  // namespace so
