#include "status/LiveIntake.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "status/StatusDecoder.h"
#include "base/Convert.h"
#include "domain/Formatting.h"
#include "grid/Sections.h"
#include "status/DbRefresh.h"
#include "status/MaskedPoints.h"
#include "status/RecentChanges.h"

#include <statusobject/Vocabulary.h>

#include <algorithm>

namespace so {
namespace {

constexpr int kKeypadSubType = 8;
// What is kept per module and per device type word stays small however many arrive: a bounded
// number of entries of bounded length (addresses and words beyond their limits are never kept).
constexpr size_t kMaxModulesKept = 16384;
constexpr size_t kMaxWordsKept = 256;
// The highest state any device type but the line voltages reports (state::LineModuleType).
constexpr quint8 kHighestState = 201;
constexpr qsizetype kMaxWordLength = 32;  // the longest device type word has 23 characters
// A reported value is a number or a short text (a line type, a relay's details).
constexpr qsizetype kMaxValueLength = 255;

/// An input report on a relay's address or a relay report on an input's: the address names a
/// point of the other of the two sections.
bool namesOtherPointSection(Section routeSection, const QString& address) {
    if (routeSection != Section::Inputs && routeSection != Section::Relays)
        return false;
    switch (classifyAddress(address)) {
    case PointKind::Input:
    case PointKind::ExpInput: return routeSection != Section::Inputs;
    case PointKind::Relay:
    case PointKind::ExpRelay: return routeSection != Section::Relays;
    default: return false;
    }
}

/// Every way of writing a date and time has digits: a text without one is none.
bool couldBeTime(const QString& time) {
    return std::any_of(time.cbegin(), time.cend(), [](QChar c) { return c.isDigit(); });
}

}  // namespace

LiveIntake::LiveIntake(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder, DbRefresh& refresh,
                       MaskedList& masked, QuietPeriod& quiet, RecentChanges& recent)
    : ctx_(ctx), sections_(sections), decoder_(decoder), refresh_(refresh), masked_(masked), quiet_(quiet),
      recent_(recent) {}

const QString& LiveIntake::now() { return now_.read(ctx_); }

const LiveIntake::Route& LiveIntake::begin(const QString& deviceType) {
    quiet_.ticks = 0;
    return routeOf(deviceType);
}

bool LiveIntake::withinLimits(const QString& reportName, const QString& address, const QString& time,
                              const QString& value) {
    const auto refuse = [&](const char* what, qsizetype length, qsizetype limit) {
        reportFailure(ctx_, reportName,
                      {ComponentError::Overflow,
                       QStringLiteral("%1 of %2 characters dropped, longer than any the site uses (%3); address: %4")
                           .arg(QLatin1String(what))
                           .arg(length)
                           .arg(limit)
                           .arg(address.left(kMaxAddressLength)),
                       QStringLiteral("StatusObject")},
                      true);
        return false;
    };
    if (address.size() > kMaxAddressLength)
        return refuse("An address", address.size(), kMaxAddressLength);
    if (time.size() > DateTimeConverter::kMaxTimeLength)
        return refuse("A time", time.size(), DateTimeConverter::kMaxTimeLength);
    if (value.size() > kMaxValueLength)
        return refuse("A value", value.size(), kMaxValueLength);
    return true;
}

const LiveIntake::Route& LiveIntake::routeOf(const QString& deviceType) {
    KeptWord& recent = wordByStorage_[storageSlot<kWordSlotBits>(deviceType.constData())];
    if (!recent.word.isNull() && sameStorage(recent.word, deviceType))
        return recent.route;
    static const Route kIgnored;
    if (deviceType.size() > kMaxWordLength)
        return kIgnored;  // no such word: ignored, and not kept
    auto kept = routeOfWord_.find(deviceType);
    if (kept == routeOfWord_.end()) {
        // Words compare after upper-casing. Words come from the host: keep the memory bounded.
        Route resolved;
        resolved.route = deviceTypeRoute(deviceType.toUpper());
        if (resolved.route != nullptr) {
            resolved.kind = StatusDecoder::kindOf(resolved.route->kindCode);
            resolved.doorKind = StatusDecoder::kindOf(resolved.route->doorKindCode);
        }
        if (routeOfWord_.size() >= kMaxWordsKept) {
            routeOfWord_.clear();
            wordByStorage_.fill(KeptWord{});
        }
        kept = routeOfWord_.emplace(deviceType, resolved).first;
    }
    recent.word = deviceType;
    recent.route = kept->second;
    return recent.route;
}

void LiveIntake::StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& time,
                             const QString& value) {
    // The row lookups start by hashing the address: its characters, wherever the host keeps
    // them, load while the limits are checked and the device type's route is found.
    prefetchText(address);
    const QString reportName = QStringLiteral("Status.StateChange");
    if (!withinLimits(reportName, address, time, value))
        return;
    if (!isWellFormedAddress(address)) {
        refuseInput(ctx_, reportName, IgnoredInput::Kind::Address, address, QStringLiteral("no row can hold it"));
        return;
    }
    trap(ctx_, reportName, [&] {
        const RecentChanges::Report oneTick(recent_);  // the report's cells share a tick
        const Route& resolved = begin(deviceType);
        const DeviceTypeRoute* route = resolved.route;
        if (route == nullptr) {
            refuseInput(ctx_, reportName, IgnoredInput::Kind::DeviceType, deviceType,
                        QStringLiteral("no section shows that device type"));
            return;
        }
        // A line voltage report carries the voltage itself, 0 to 255, as its state.
        const bool voltage = route->type == DeviceType::StdInputV || route->type == DeviceType::ExpInputV;
        if (state > kHighestState && !voltage) {
            refuseInput(ctx_, reportName, IgnoredInput::Kind::State, QString::number(state),
                        QStringLiteral("states run from 0 to %1").arg(kHighestState));
            return;
        }
        if (namesOtherPointSection(route->section, address)) {
            refuseInput(ctx_, reportName, IgnoredInput::Kind::PointMismatch, deviceType + QLatin1Char(' ') + address,
                        QStringLiteral("the address is a point of another kind than the device type"));
            return;
        }
        // The state is applied all the same; the row shows when it arrived.
        const bool timeUsable = time.isEmpty() || couldBeTime(time);
        if (!timeUsable)
            refuseInput(ctx_, reportName, IgnoredInput::Kind::Time, time,
                        QStringLiteral("the time has no digit; the time of arrival is shown"));
        const QString& stamp = time.isEmpty() || !timeUsable ? now() : time;
        switch (route->type) {
        case DeviceType::ZR2Module: zr2Module(address, state, stamp, value); return;
        case DeviceType::ZR2Controller: zr2Controller(address); return;
        default: break;
        }
        // Reader and communication box reports carry no value the rows read.
        const bool passValue = route->type != DeviceType::Reader && route->type != DeviceType::Pylon;
        const QString noValue;
        const QString& rowValue = passValue ? value : noValue;
        const bool reachesDoor = !route->doorKindCode.isEmpty() && (route->doorOnlyIfAddressContains.isEmpty() ||
                                                                    address.contains(route->doorOnlyIfAddressContains));
        const StatusGrid::RowAt pointRow = findRows(route->section, address, reachesDoor);
        updateRow(route->section, address, state, resolved.kind, stamp, rowValue, ReportMode::Current, &pointRow);
        if (route->type == DeviceType::ZR2Input && !value.isEmpty() && state == 0)
            masked_.UpdateMaskedItem(address, toInt32(value));
        if (reachesDoor)
            updateDoor(address, state, resolved.doorKind, stamp, rowValue);
    });
}

void LiveIntake::reportStateChange(const QString& deviceType, const QString& address, quint8 state, const QString& time,
                                   const QString& value, ReportMode mode) {
    const QString reportName = QStringLiteral("Status: StateChange");
    if (!withinLimits(reportName, address, time, value))
        return;
    trap(ctx_, reportName, [&] {
        const RecentChanges::Report oneTick(recent_);  // the report's cells share a tick
        const Route& resolved = begin(deviceType);
        const QString& stamp = time.isEmpty() ? now() : time;
        const DeviceTypeRoute* route = resolved.route;
        if (route == nullptr)
            return;
        bool passValue = false;
        switch (route->type) {
        case DeviceType::ReaderThreatLevel:
        case DeviceType::StdInputV:
        case DeviceType::StdInput:
        case DeviceType::ExpInputV:
        case DeviceType::ExpInput: passValue = true; break;
        case DeviceType::Controller:
        case DeviceType::Reader:
        case DeviceType::Pylon:
        case DeviceType::Port:
        case DeviceType::StdRelay:
        case DeviceType::ExpRelay: break;
        default: return;  // the newer line and the enabled flags are not part of controller reports
        }
        const QString noValue;
        const QString& rowValue = passValue ? value : noValue;
        const bool reachesDoor = !route->doorKindCode.isEmpty();
        const StatusGrid::RowAt pointRow = findRows(route->section, address, reachesDoor);
        updateRow(route->section, address, state, resolved.kind, stamp, rowValue, mode, &pointRow);
        if (reachesDoor)
            updateDoor(address, state, resolved.doorKind, stamp, rowValue, mode);
    });
}

void LiveIntake::updateRow(Section section, const QString& address, quint8 state, StatusDecoder::Kind kind,
                           const QString& time, const QString& value, ReportMode mode, const StatusGrid::RowAt* found) {
    decoder_.UpdateList(section, address, state, kind, time, value, mode, found);
}

StatusGrid::RowAt LiveIntake::findRows(Section section, const QString& address, bool reachesDoor) {
    doorAddressWritten_ = reachesDoor && writeDoorAddress(address, doorAddress_);
    StatusGrid::RowQuery rows[] = {{&sections_.grid(section), address, {}},
                                   {&sections_.grid(Section::Doors), doorAddress_, {}}};
    StatusGrid::findRows(std::span(rows, doorAddressWritten_ ? 2 : 1));
    doorRow_ = rows[1].found;
    return rows[0].found;
}

void LiveIntake::updateDoor(const QString& address, quint8 state, StatusDecoder::Kind kind, const QString& time,
                            const QString& value, ReportMode mode) {
    if (!doorAddressWritten_)
        ConvertToDoorAddress(address);  // fails, reported after the point's own row was decoded
    decoder_.UpdateList(Section::Doors, doorAddress_, state, kind, time, value, mode, &doorRow_);
}

void LiveIntake::zr2Module(const QString& address, quint8 state, const QString& time, const QString& value) {
    if (sections_.grid(Section::Modules).rowCount() > 0) {
        const int row = sections_.FindRowForAddress(Section::Modules, address);
        if (row > 0) {
            if (state != state::ModuleEnclosureClosed && state != state::ModuleEnclosureOpen)
                refresh_.DBStatusUpdate(RefreshTarget::ZR2Module, address, row);
            else
                updateRow(Section::Modules, address, state, StatusDecoder::Kind::ZR2Module, time, value);
        }
    }
    // A keypad module's state shows on its reader's row too.
    if (sections_.grid(Section::Readers).rowCount() == 0)
        return;
    const QString& readerAddress = keypadReaderOf(address);
    if (readerAddress.isEmpty())
        return;
    const int readerRow = sections_.FindRowForAddress(Section::Readers, readerAddress);
    if (readerRow > 0)
        refresh_.DBStatusUpdate(RefreshTarget::ZR2Reader, readerAddress, readerRow);
}

void LiveIntake::zr2Controller(const QString& address) {
    if (sections_.grid(Section::Controllers).rowCount() == 0)
        return;
    const int row = sections_.FindRowForAddress(Section::Controllers, address);
    if (row > 0)
        refresh_.DBStatusUpdate(RefreshTarget::ZR2Controller, address, row);
}

const QString& LiveIntake::keypadReaderOf(const QString& moduleAddress) {
    const auto kept = keypadReaderOfModule_.find(moduleAddress);
    if (kept != keypadReaderOfModule_.end())
        return kept->second;

    db::Connection& db = ctx_.db();
    QString readerAddress;
    db::Command subType(db, QStringLiteral("Select DeviceSubType From ZRII_Modules Where Address = ?"));
    subType.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input, 30,
                            moduleAddress);
    db::Recordset module = subType.open();
    const bool isKeypad = !module.eof() && module.field(QStringLiteral("DeviceSubType")).toInt() == kKeypadSubType;
    module.close();
    if (isKeypad) {
        db::Command keypad(
            db,
            QStringLiteral(
                "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, ZRII_Modules.Online, "
                "ZRII_Readers.Address AS ReaderAddress "
                "FROM         ZRII_Modules INNER JOIN "
                "ZRII_Readers INNER JOIN "
                "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN "
                "ZRII_Keypads ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID ON ZRII_Modules.ID = "
                "ZRII_Keypads.KeypadModuleID "
                "WHERE     (ZRII_Modules.Address = ?)"));
        keypad.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input, 30,
                               moduleAddress);
        db::Recordset rs = keypad.open();
        if (!rs.eof())
            readerAddress = rs.field(QStringLiteral("ReaderAddress")).toString();
        rs.close();
    }
    // Addresses come from outside: keep the memory bounded even for a flood of unknown ones.
    if (keypadReaderOfModule_.size() >= kMaxModulesKept)
        keypadReaderOfModule_.clear();
    return keypadReaderOfModule_.emplace(moduleAddress, readerAddress).first->second;
}

}  // namespace so
