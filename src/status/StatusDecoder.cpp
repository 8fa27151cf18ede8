#include "status/StatusDecoder.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "base/Convert.h"
#include "domain/Permissions.h"
#include "domain/Resources.h"
#include "domain/StateTexts.h"
#include "status/MaskedPoints.h"
#include "status/RowRef.h"
#include "status/Summaries.h"
#include "grid/ColumnLayout.h"

#include <statusobject/Vocabulary.h>

namespace so {

namespace {

const QString kThreatLevelQuery = QStringLiteral("Select [Name] From ThreatLevels Where ThreatID = ?");

/// Text of one line bit of a door or input: resource 1447 for a set bit, 1446 for a clear one.
int lineBitResource(quint8 state, int bit) { return (state >> bit) & 1 ? res::LineSet : res::LineClear; }

/// The condition a state cell shows when written with a resource text; none for the others.
RowConditions conditionOf(ColumnId id, int resource) {
    using C = Condition;
    switch (id) {
    case ColumnId::Alarm: return resource == res::Yes ? C::Alarm : RowConditions();
    case ColumnId::Masked: return resource == res::Yes ? C::Masked : RowConditions();
    case ColumnId::PTamper: return resource == res::Tampered ? C::PhysicalTamper : RowConditions();
    case ColumnId::CTamper: return resource == res::Tampered ? C::CodeTamper : RowConditions();
    case ColumnId::Status: return resource == res::PortOffLine ? C::Offline : RowConditions();
    case ColumnId::Enclosure: return resource == res::EnclosureOpen ? C::EnclosureOpen : RowConditions();
    case ColumnId::TamperPending: return resource == res::TamperPending ? C::TamperPending : RowConditions();
    case ColumnId::ACPower: return resource == res::PowerFailed ? C::PowerFailed : RowConditions();
    case ColumnId::MemoryBatt: return resource == res::PowerFailed ? C::MemoryBatteryFailed : RowConditions();
    case ColumnId::UPSBattF: return resource == res::PowerFailed ? C::UpsBatteryFailed : RowConditions();
    default: return {};
    }
}

/// The regular states of a newer-line input's line ("/" taken as a short form of "//").
bool isRegularLineText(const QString& text) {
    return text == QLatin1String("X") || text == QLatin1String("//") || text == QLatin1String("/");
}

}  // namespace

StatusDecoder::StatusDecoder(ComponentContext& ctx, Sections& sections, MaskedList& masked)
    : ctx_(ctx), sections_(sections), masked_(masked), texts_(ctx) {}

StatusDecoder::Kind StatusDecoder::kindOf(const QString& code) {
    struct KindCode {
        QLatin1String code;
        Kind kind;
    };
    // Kind codes compare exactly; a code of another length is rejected without comparing text.
    static constexpr KindCode kCodes[] = {
        {QLatin1String("ENABLED"), Kind::Enabled},
        {QLatin1String("PO"), Kind::Port},
        {QLatin1String("SM"), Kind::Reader},
        {QLatin1String("CA"), Kind::Controller},
        {QLatin1String("DR"), Kind::Door},
        {QLatin1String("BR"), Kind::Relay},
        {QLatin1String("XR"), Kind::ExpRelay},
        {QLatin1String("XIV"), Kind::Voltage},
        {QLatin1String("BIV"), Kind::Voltage},
        {QLatin1String("DRV"), Kind::Voltage},
        {QLatin1String("XI"), Kind::Input},
        {QLatin1String("BI"), Kind::Input},
        {QLatin1String("ZR2_RELAY"), Kind::ZR2Relay},
        {QLatin1String("ZR2_INPUT"), Kind::ZR2Input},
        {QLatin1String("ZR2_MODULE"), Kind::ZR2Module},
    };
    for (const KindCode& k : kCodes)
        if (code.size() == k.code.size() && code == k.code)
            return k.kind;
    return Kind::Unknown;
}

void StatusDecoder::UpdateList(Section section, const QString& address, quint8 state, const QString& kind,
                               const QString& time, const QString& value, ReportMode mode) {
    UpdateList(section, address, state, kindOf(kind), time, value, mode);
}

void StatusDecoder::UpdateList(Section section, const QString& address, quint8 state, Kind kind, const QString& time,
                               const QString& value, ReportMode mode, const StatusGrid::RowAt* found) {
    trap(ctx_, QStringLiteral("MPublic.UpdateList"), [&] {
        // The masked list follows every mask change, also of points the shown group lacks.
        if ((state == state::MaskSet || state == state::MaskCleared) && !value.isEmpty())
            updateMaskedItem(address, value);
        StatusGrid& grid = sections_.grid(section);
        if (grid.rowCount() == 0)
            return;
        GridColumns& columns = columns_[std::size_t(sectionIndex(section))];
        columns.sync(grid);
        if (columns.indexOf(ColumnId::Address) < 0)
            throw MissingColumnError(col::Address);
        StatusGrid::RowAt row;
        if (found != nullptr)
            row = *found;
        else if (const int number = grid.findRow(address); number > 0)
            row = grid.at(number);
        if (row.row == 0)
            return;
        const RowRef r(grid, columns, row);
        decode(r, section, address, state, kind, value, mode);
        grid.setUpdated(r.at(), dates_.convert(ctx_, time));
    });
}

void StatusDecoder::decode(const RowRef& row, Section section, const QString& address, quint8 state, Kind kind,
                           const QString& value, ReportMode mode) {
    switch (kind) {
    case Kind::Enabled: return decodeEnabled(row, state);
    case Kind::Port: return decodePort(row, state, value);
    case Kind::Reader: return decodeReader(row, state, value);
    case Kind::Controller: return decodeController(row, address, state, value, mode);
    case Kind::Door: return decodeDoor(row, address, state, value);
    case Kind::Relay: return decodeRelay(row, section, state, value, false);
    case Kind::ExpRelay: return decodeRelay(row, section, state, value, true);
    case Kind::Voltage: return row.setText(ColumnId::Voltage, voltageText(state));
    case Kind::Input: return decodeInput(row, state, value);
    case Kind::ZR2Relay: return decodeZR2Relay(row, section, state, value);
    case Kind::ZR2Input: return decodeZR2Input(row, section, address, state, value);
    case Kind::ZR2Module: return decodeZR2Module(row, state);
    case Kind::Unknown: return;
    }
}

void StatusDecoder::setText(const RowRef& row, ColumnId id, int resource) {
    row.setText(id, texts_(resource));
    row.show(conditionOf(id, resource));
}

void StatusDecoder::setOffline(const RowRef& row) {
    setText(row, ColumnId::Status, res::NotKnown);
    row.show(Condition::Offline);
}

void StatusDecoder::updateMaskedItem(const QString& address, const QString& value) {
    const qint32 mask = toInt32(value);
    masked_.UpdateMaskedItem(address, mask);
}

void StatusDecoder::writeDoorStatus(const RowRef& row) {
    RowConditions shown;
    row.setText(ColumnId::Status, GetDoorStatus(ctx_, row.grid(), row.at(), row.columns(), texts_, &shown));
    row.show(shown);
}

void StatusDecoder::writeInputStatus(const RowRef& row) {
    RowConditions shown;
    row.setText(ColumnId::Status, GetInputStatus(ctx_, row.grid(), row.at(), row.columns(), texts_, &shown));
    row.show(shown);
}

// ---------------------------------------------------------------- controllers, ports, readers

void StatusDecoder::decodeEnabled(const RowRef& row, quint8 state) {
    if (state == state::Disabled)
        setText(row, ColumnId::Enabled, res::No);
    else if (state == state::IsEnabled)
        setText(row, ColumnId::Enabled, res::Yes);
}

void StatusDecoder::decodePort(const RowRef& row, quint8 state, const QString& value) {
    switch (state) {
    case state::Offline: return setText(row, ColumnId::Status, res::PortOffLine);
    case state::Online: return setText(row, ColumnId::Status, res::OnLine);
    case state::PortDialup: return row.setText(ColumnId::Status, GetDialupState(ctx_, toInt16(value)));
    default: return setText(row, ColumnId::Status, res::UnknownState);
    }
}

void StatusDecoder::decodeReader(const RowRef& row, quint8 state, const QString& value) {
    switch (state) {
    case state::Offline: return setOffline(row);
    case state::Online: return setText(row, ColumnId::Status, res::OnLine);
    case state::ReaderPhysicalTamper: return setText(row, ColumnId::PTamper, res::Tampered);
    case state::ReaderPhysicalTamperCleared: return setText(row, ColumnId::PTamper, res::NotKnown);
    case state::ReaderCodeTamper: return setText(row, ColumnId::CTamper, res::Tampered);
    case state::ReaderCodeTamperCleared: return setText(row, ColumnId::CTamper, res::NotKnown);
    case state::ReaderThreatLevel: return writeThreatLevel(row, value);
    default: return setText(row, ColumnId::Status, res::UnknownState);
    }
}

void StatusDecoder::decodeController(const RowRef& row, const QString& address, quint8 state, const QString& value,
                                     ReportMode mode) {
    // Any condition report shows the controller on line, except while a status request replays
    // stored reports (they may be old).
    if (state >= 1 && state <= 33 && mode != ReportMode::StatusRequest)
        setText(row, ColumnId::Status, res::OnLine);
    switch (state) {
    case state::Offline: return setOffline(row);
    case state::Online: return setText(row, ColumnId::Status, res::OnLine);
    case state::EnclosureClosed:
    case state::EnclosureClosedOther: return setText(row, ColumnId::Enclosure, res::EnclosureClosed);
    case state::EnclosureOpen:
    case state::EnclosureOpenOther: return setText(row, ColumnId::Enclosure, res::EnclosureOpen);
    case state::AcPowerOk: return setText(row, ColumnId::ACPower, res::PowerOk);
    case state::AcPowerFailed: return setText(row, ColumnId::ACPower, res::PowerFailed);
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11: return;
    case state::KeypadModeNormal: return setText(row, ColumnId::KeypadMode, res::RelayOff);
    case state::KeypadModeAlternate: return setText(row, ColumnId::KeypadMode, res::KeypadMode13);
    case state::MemoryBatteryOk: return setText(row, ColumnId::MemoryBatt, res::PowerOk);
    case state::MemoryBatteryFailed: return setText(row, ColumnId::MemoryBatt, res::PowerFailed);
    case state::ParallelPrinterOnline: return setText(row, ColumnId::ParallelPrint, res::OnLine);
    case state::ParallelPrinterOffline: return setText(row, ColumnId::ParallelPrint, res::PortOffLine);
    case state::SerialPrinterOnline: return setText(row, ColumnId::SerialPrint, res::OnLine);
    case state::SerialPrinterOffline: return setText(row, ColumnId::SerialPrint, res::PortOffLine);
    case 20:
    case 21: return;
    case state::TamperPending: return setText(row, ColumnId::TamperPending, res::TamperPending);
    case state::TamperNotPending: return setText(row, ColumnId::TamperPending, res::TamperNotPending);
    case state::TerminalState26: return setText(row, ColumnId::Terminal, res::TerminalState26);
    case state::TerminalState27: return setText(row, ColumnId::Terminal, res::TerminalState27);
    case 28:
    case 29: return;
    case state::UpsBatteryOk:
    case state::UpsBatteryOkOther: return setText(row, ColumnId::UPSBattF, res::PowerOk);
    case state::UpsBatteryFailed: return setText(row, ColumnId::UPSBattF, res::PowerFailed);
    case state::UpsBatteryState33: return setText(row, ColumnId::UPSBattF, res::UpsBatteryState33);
    case state::ControllerStateUnknown: return setText(row, ColumnId::Status, res::NotKnown);
    case 35: return;
    case state::ControllerReset: return resetControllerPoints(address);
    case state::ControllerThreatLevel: return writeThreatLevel(row, value);
    default: return setText(row, ColumnId::Status, res::NotKnown);
    }
}

void StatusDecoder::resetControllerPoints(const QString& controllerAddress) {
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections_.grid(section);
        const int addressColumn = grid.columnIndex(col::Address);
        if (addressColumn < 0)
            continue;
        for (int row = 1; row <= grid.rowCount(); ++row)
            if (grid.text(row, addressColumn).startsWith(controllerAddress))
                sections_.P_ResetColumnInfo(section, row);
    }
}

void StatusDecoder::writeThreatLevel(const RowRef& row, const QString& value) {
    // The threat level id goes into the statement as a bound whole number only; any other value
    // runs no query and is reported.
    const std::optional<qint32> threatId = wholeNumber(value);
    if (!threatId)
        throw ComponentError(ComponentError::TypeMismatch,
                             QStringLiteral("Threat level id is not a whole number: \"%1\"").arg(value));
    QStringList names;
    if (threatNamesKept_ == 0) {
        names = readThreatNames(*threatId);
    } else {
        auto kept = threatNames_.constFind(*threatId);
        if (kept == threatNames_.constEnd())
            kept = threatNames_.insert(*threatId, readThreatNames(*threatId));
        names = *kept;
    }
    for (const QString& name : names)
        row.setText(ColumnId::ThreatLevel, name);
}

QStringList StatusDecoder::readThreatNames(qint32 threatId) {
    db::Command command(ctx_.db(), kThreatLevelQuery);
    command.appendParameter(QStringLiteral("@ThreatID"), db::ParamType::Integer, db::ParamDirection::Input, 0,
                            threatId);
    QStringList names;
    for (db::Recordset levels = command.open(); !levels.eof(); levels.moveNext())
        names.append(levels.field(QStringLiteral("Name")).toString());
    return names;
}

// ---------------------------------------------------------------- doors and inputs

bool StatusDecoder::doorLinesUnavailable(const RowRef& row, const QString& address, quint8 state) {
    // A panel of type 3 has its door lines only on doors 1 and 2.
    if (state <= 64 && row.data(ColumnId::Name) == 3 && toNumber(address.right(2)) >= 3)
        return true;
    return sameText(row.text(ColumnId::LMType), texts_(res::NotKnown));
}

void StatusDecoder::decodeDoor(const RowRef& row, const QString& address, quint8 state, const QString& value) {
    if (doorLinesUnavailable(row, address, state)) {
        const QString& notKnown = texts_(res::NotKnown);
        for (ColumnId id : {ColumnId::Status, ColumnId::Input1, ColumnId::Input2, ColumnId::Input3})
            row.setText(id, notKnown);
        return;
    }
    applyLineStates(row, state, value, true);
    writeDoorStatus(row);
}

void StatusDecoder::decodeInput(const RowRef& row, quint8 state, const QString& value) {
    applyLineStates(row, state, value, false);
    writeInputStatus(row);
}

void StatusDecoder::applyLineStates(const RowRef& row, quint8 state, const QString& value, bool isDoor) {
    if (state <= state::LineBitsLast) {
        // Bits 0-2: lines 1-3. Lines 2 and 3 exist only with a line module of that many lines.
        setText(row, ColumnId::Input1, lineBitResource(state, 0));
        const double lineModule = toNumber(row.text(ColumnId::LMType));
        setText(row, ColumnId::Input2, lineModule > 1 ? lineBitResource(state, 1) : res::NotKnown);
        setText(row, ColumnId::Input3, lineModule > 2 ? lineBitResource(state, 2) : res::NotKnown);
        return;
    }
    switch (state) {
    case state::LineState16:
    case state::LineState32:
    case state::LineState48:
    case state::LineState64: {
        const int resource = state == state::LineState16   ? res::LineState16
                             : state == state::LineState32 ? res::LineState32
                             : state == state::LineState48 ? res::LineState48
                                                           : res::LineState64;
        for (ColumnId id : {ColumnId::Status, ColumnId::Input1, ColumnId::Input2, ColumnId::Input3})
            setText(row, id, resource);
        return;
    }
    case state::AlarmSet: return setText(row, ColumnId::Alarm, res::Yes);
    case state::AlarmCleared: return setText(row, ColumnId::Alarm, res::NotKnown);
    case state::MaskSet: return setText(row, ColumnId::Masked, res::Yes);
    case state::MaskCleared: return setText(row, ColumnId::Masked, res::NotKnown);
    case state::RelayReasons:
        if (isDoor)
            row.setText(ColumnId::RelayDetails, value);
        return;
    case state::InputEnabledText:
        setText(row, ColumnId::Status, res::NotKnown);
        return row.setText(ColumnId::Enabled, value);
    case state::LineModuleType: return row.setText(ColumnId::LMType, value);
    default: return;
    }
}

// ---------------------------------------------------------------- relays

void StatusDecoder::decodeRelay(const RowRef& row, Section section, quint8 state, const QString& value,
                                bool expansion) {
    // A door's relay reports into the door row's Relay Status; a relay row has its own Status.
    const bool doorRow = !expansion && section == Section::Doors;
    switch (state) {
    case state::RelayOff:
    case state::RelayOn:
        setText(row, doorRow ? ColumnId::RelayStatus : ColumnId::Status,
                state == state::RelayOff ? res::RelayOff : res::RelayOn);
        if (doorRow)
            writeDoorStatus(row);
        return;
    case state::RelayReasons: return row.setText(ColumnId::RelayDetails, value);
    case state::RelayDisabled:
        setText(row, ColumnId::Status, res::NotKnown);
        return setText(row, ColumnId::Enabled, res::No);
    default: return;
    }
}

// ---------------------------------------------------------------- newer line

void StatusDecoder::decodeZR2Relay(const RowRef& row, Section section, quint8 state, const QString& value) {
    if (state == state::ModeOrMask) {
        const qint32 mode = toInt32(value);
        row.setText(ColumnId::RelayDetails, GetRelayModeText(mode));
        if (relayModeOverridden(mode))
            row.show(Condition::RelayForced);
    } else if (state == state::StatusOrLines)
        row.setText(section == Section::Relays ? ColumnId::Status : ColumnId::RelayStatus, value);
    else
        return;
    if (section == Section::Doors)
        writeDoorStatus(row);
}

void StatusDecoder::decodeZR2Module(const RowRef& row, quint8 state) {
    switch (state) {
    case state::Offline: return setOffline(row);
    case state::Online: return setText(row, ColumnId::Status, res::OnLine);
    case state::ModuleEnclosureClosed: return setText(row, ColumnId::Enclosure, res::EnclosureClosed);
    case state::ModuleEnclosureOpen: return setText(row, ColumnId::Enclosure, res::EnclosureOpen);
    default: return;
    }
}

void StatusDecoder::decodeZR2Input(const RowRef& row, Section section, const QString& address, quint8 state,
                                   const QString& value) {
    if (state == state::ModeOrMask) {
        const qint32 maskSource = toInt32(value);
        row.setText(ColumnId::Masked, GetMaskSourceText(maskSource));
        if (maskSource != 0)
            row.show(Condition::Masked);
        if (!value.isEmpty())
            updateMaskedItem(address, value);
        return;
    }
    if (state != state::StatusOrLines)
        return;
    const qint32 packed = toInt32(value);
    const QString line0 = GetLineStateText(packed, 0);
    const QString line2 = GetLineStateText(packed, 2);
    row.setText(ColumnId::Input1, line0);

    // Lines 2 and 3: while the main line is in one of its regular states ("X", "//") and the input
    // has a line module (LM Type is not "."), each line shows its own state. A main line in fault
    // (open, short, Out of Spec, noisy, invalid, no state) or an input without a line module makes
    // the other lines' codes meaningless, so they repeat the main line's text and the row reads alike.
    const QString input1 = row.text(ColumnId::Input1);
    const bool ownLineStates = isRegularLineText(input1) && row.text(ColumnId::LMType) != QLatin1String(".");
    row.setText(ColumnId::Input2, ownLineStates ? GetLineStateText(packed, 1) : input1);
    row.setText(ColumnId::Input3, ownLineStates ? line2 : input1);

    // Status item data 1: the input is active in state "X" of line 0, otherwise in state "//";
    // line 2 in state "//" raises the alarm either way.
    const bool activeWhenX = row.data(ColumnId::Status) == 1;
    const bool alarm = line0 == QLatin1String(activeWhenX ? "X" : "//") || line2 == QLatin1String("//");
    setText(row, ColumnId::Alarm, alarm ? res::Yes : res::NotKnown);

    if (section == Section::Inputs)
        writeInputStatus(row);
    else if (section == Section::Doors)
        writeDoorStatus(row);
}

}  // namespace so
