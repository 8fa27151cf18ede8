#include "status/Filler.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "domain/Permissions.h"
#include "domain/StateTexts.h"
#include "domain/Section.h"
#include "status/StatusDecoder.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "domain/KindIcon.h"
#include "grid/RedrawPause.h"
#include "status/RowCells.h"
#include "grid/Sections.h"

#include <statusobject/Vocabulary.h>

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

/// One newer-line point's record by its address ("?"), with the columns of its kind's procedure:
/// a door's contact is its input with the lowest index and its relay the first related one;
/// ControllerOnline is the Online flag of the point's controller.
QString pointStatement(ObjectType type) {
    switch (type) {
    case ObjectType::ZR2Door:
        return QStringLiteral(
            "SELECT d.DoorID, d.Name, d.Address, d.TwoPersonRule, d.Disabled, i.LineModuleType, i.MaskSource, "
            "i.NormallyClosed, i.ContactStatus, r.NormalStateEnergized, r.EnergizedStatus, r.OperationsStatus, "
            "zc.[Online] AS ControllerOnline, d.ControllerID FROM ZRII_Doors d "
            "LEFT JOIN ZRII_Inputs i ON i.InputID = (SELECT TOP 1 x.InputID FROM ZRII_InputsInDoorsRelations x "
            "INNER JOIN ZRII_Inputs y ON y.InputID = x.InputID WHERE x.DoorID = d.DoorID ORDER BY y.[Index]) "
            "LEFT JOIN ZRII_Relays r ON r.RelayID = (SELECT min(x.RelayID) FROM ZRII_RelaysInDoorsRelations x "
            "WHERE x.DoorID = d.DoorID) LEFT JOIN ZRII_Controllers zc ON zc.ID = d.ControllerID WHERE d.Address = ?");
    case ObjectType::ZR2Input:
        return QStringLiteral(
            "SELECT i.InputID, i.Name, i.Address, i.MaskSource, i.ContactStatus, i.LineModuleType, i.Disabled, "
            "i.NormallyClosed, i.Expansion, i.[Index], zc.[Online] AS ControllerOnline FROM ZRII_Inputs i "
            "LEFT JOIN ZRII_Controllers zc ON zc.ID = i.ControllerID WHERE i.Address = ?");
    case ObjectType::ZR2Relay:
        return QStringLiteral(
            "SELECT r.RelayID, r.Name, r.Address, r.NormalStateEnergized, r.EnergizedStatus, r.OperationsStatus, "
            "r.RelayType, zc.[Online] AS ControllerOnline FROM ZRII_Relays r "
            "LEFT JOIN ZRII_Controllers zc ON zc.ID = r.ControllerID WHERE r.Address = ?");
    case ObjectType::ZR2Reader:
        return QStringLiteral(
            "SELECT r.ReaderID, r.Name, r.Address, "
            "coalesce((SELECT max(CAST(k.CodeTamperLockout AS int)) FROM ZRII_KeypadsInReader kr INNER JOIN "
            "ZRII_Keypads k ON k.ID = kr.KeypadID WHERE kr.ReaderID = r.ReaderID), 0) AS CodeTamperLockout, "
            "coalesce((SELECT max(CAST(k.PhysicalTamperLockout AS int)) FROM ZRII_KeypadsInReader kr INNER JOIN "
            "ZRII_Keypads k ON k.ID = kr.KeypadID WHERE kr.ReaderID = r.ReaderID), 0) AS PhysicalTamperLockout, "
            "r.ThreatLevel, zc.[Online] AS ControllerOnline FROM ZRII_Readers r "
            "LEFT JOIN ZRII_Controllers zc ON zc.ID = r.ControllerID WHERE r.Address = ?");
    case ObjectType::ZR2Controller:
        return QStringLiteral(
            "SELECT c.ID, c.Name, c.Address, c.Installed, c.[Online] FROM ZRII_Controllers c WHERE c.Address = ?");
    case ObjectType::ZR2Module:
        return QStringLiteral(
            "SELECT m.ID, m.Name, m.Address, m.Installed, m.[Online], m.InTamper, m.DeviceSubType, "
            "zc.[Online] AS ControllerOnline FROM ZRII_Modules m "
            "LEFT JOIN ZRII_Controllers zc ON zc.ID = m.ControllerID WHERE m.Address = ?");
    default: return {};
    }
}

}  // namespace

Filler::Filler(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder)
    : ctx_(ctx), sections_(sections), decoder_(decoder) {}

UpdatedStamp Filler::nowStamp() {
    const QString& text = now_.read(ctx_);
    if (now_.second() != stampSecond_) {
        stamp_ = decoder_.ConvertDateTime(text);
        stampSecond_ = now_.second();
    }
    return stamp_;
}

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
        trap(ctx_,
             QStringLiteral("FMain.DBStatusUpdate(%1, %2, %3)")
                 .arg(refreshCode(RefreshTarget::ZR2Reader))
                 .arg(address)
                 .arg(row),
             [&] { readerKeypadState(grid, row, address); });
}

void Filler::renewRow(const Kind& kind, StatusGrid& grid, int row, const db::Recordset& rs, const UpdatedStamp& now) {
    writeRow(kind, grid, row, rs);
    renewState(kind.objectType, grid, row, rs, now.text);
    rows::setUpdatedIfColumn(grid, row, now);
}

void Filler::renewPoint(ObjectType type, StatusGrid& grid, int row, const QString& address) {
    const Kind* kind = kindFor(objectTypeNumber(type));
    const QString sql = pointStatement(type);
    if (kind == nullptr || sql.isEmpty())
        return;
    db::Recordset rs = rows::openForAddress(ctx_, sql, address);
    rs.readAll();  // the renewal reads threat level names and the masked list meanwhile
    const bool found = !rs.eof();
    if (found)
        renewRow(*kind, grid, row, rs, nowStamp());
    rs.close();
    if (found && type == ObjectType::ZR2Reader)
        readerKeypadState(grid, row, address);
}

void Filler::renewState(ObjectType type, StatusGrid& grid, int row, const db::Recordset& rs, const QString& now) {
    const bool controllerOnline =
        type == ObjectType::ZR2Controller || fields::flag(rs, QStringLiteral("ControllerOnline"));
    switch (type) {
    case ObjectType::ZR2Door:
        // The door's cells keep what was last known; the row says its controller is off line, as
        // its relay's and reader's rows do (a later report of the door writes its Status anew).
        if (!controllerOnline)
            grid.addConditions(row, Condition::Offline);
        break;
    case ObjectType::ZR2Input:
        if (!controllerOnline) {
            for (const QString& key : {col::Masked, col::Input1, col::Input2, col::Input3})
                rows::setTextIfColumn(grid, row, key, rows::kOffline);
            grid.addConditions(row, Condition::Offline);
        }
        break;
    case ObjectType::ZR2Relay: rows::writeNewerLineRelayState(grid, row, rs, col::Status); break;
    case ObjectType::ZR2Reader:
        if (controllerOnline) {
            decoder_.UpdateList(Section::Readers, grid.text(row, col::Address), state::ReaderThreatLevel,
                                QStringLiteral("SM"), now, fields::text(rs, QStringLiteral("ThreatLevel")));
        } else {
            for (const QString& key : {col::PTamper, col::CTamper, col::ThreatLevel})
                rows::setTextIfColumn(grid, row, key, rows::kOffline);
            rows::setStateIfColumn(grid, row, col::Status, rows::kOffline, Condition::Offline);
        }
        break;
    case ObjectType::ZR2Module:
        if (controllerOnline) {
            const bool open = fields::flag(rs, QStringLiteral("InTamper"));
            rows::setStateIfColumn(grid, row, col::Enclosure,
                                   GRS(ctx_, open ? res::EnclosureOpen : res::EnclosureClosed),
                                   open ? Condition::EnclosureOpen : RowConditions());
        } else {
            rows::setTextIfColumn(grid, row, col::Enclosure, rows::kOffline);
            rows::setStateIfColumn(grid, row, col::Status, rows::kOffline, Condition::Offline);
        }
        break;
    default: break;
    }
}

void Filler::readerKeypadState(StatusGrid& grid, int row, const QString& address) {
    const QString sql = QStringLiteral(
        "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, "
        "ZRII_Modules.Online, ZRII_Modules.Address, ZRII_Modules.Installed, (Select "
        "ZRII_Controllers.[Online] From ZRII_Controllers Where Address = LEFT(ZRII_Keypads.Address,15)) "
        "as ControllerOnline, ZRII_Readers.ThreatLevel, ZRII_Readers.Address as ReaderAddress  "
        "FROM         ZRII_Modules INNER JOIN "
        "ZRII_Readers INNER JOIN "
        "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN "
        "ZRII_Keypads ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID ON ZRII_Modules.ID = "
        "ZRII_Keypads.KeypadModuleID "
        "WHERE     (ZRII_Readers.Address = ?)");
    db::Recordset rs = rows::openForAddress(ctx_, sql, address);
    rs.readAll();  // the decoder reads the threat level's name meanwhile
    if (!rs.eof()) {
        const UpdatedStamp now = nowStamp();
        if (fields::flag(rs, QStringLiteral("ControllerOnline"))) {
            // The keypad module answers for the reader: on line when installed and on line.
            const bool moduleUp =
                fields::flag(rs, QStringLiteral("Online")) && fields::flag(rs, QStringLiteral("Installed"));
            grid.setText(row, col::Status, GRS(ctx_, moduleUp ? res::OnLine : res::NotKnown));
            const bool physicalLockout = fields::flag(rs, QStringLiteral("PhysicalTamperLockout"));
            const bool codeLockout = fields::flag(rs, QStringLiteral("CodeTamperLockout"));
            grid.setText(row, col::PTamper, rows::lockoutText(physicalLockout));
            grid.setText(row, col::CTamper, rows::lockoutText(codeLockout));
            grid.addConditions(row, RowConditions(moduleUp ? RowConditions() : Condition::Offline) |
                                        (physicalLockout ? Condition::PhysicalTamper : RowConditions()) |
                                        (codeLockout ? Condition::CodeTamper : RowConditions()));
            grid.setUpdated(row, now);
            const QVariant threat = rs.field(QStringLiteral("ThreatLevel"));
            if (!threat.isNull())
                decoder_.UpdateList(Section::Readers, address, 32, QStringLiteral("SM"), now.text, threat.toString());
        } else {
            for (const QString& key : {col::Status, col::PTamper, col::CTamper, col::ThreatLevel})
                grid.setText(row, key, rows::kOffline);
            grid.addConditions(row, Condition::Offline);
            grid.setUpdated(row, now);
        }
    }
    rs.close();
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
    rows::setDataIfColumn(grid, row, col::Name, kNewerLineDoorMark);
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
    decoder_.UpdateList(Section::Doors, grid.text(row, col::Address), 1, QStringLiteral("ZR2_INPUT"), nowStamp().text,
                        QString::number(fields::number(rs, QStringLiteral("ContactStatus"))));
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
    decoder_.UpdateList(Section::Inputs, grid.text(row, col::Address), 1, QStringLiteral("ZR2_INPUT"), nowStamp().text,
                        QString::number(fields::number(rs, QStringLiteral("ContactStatus"))));
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
