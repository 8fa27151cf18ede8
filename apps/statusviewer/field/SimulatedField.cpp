#include "field/SimulatedField.h"

#include "field/ReportHistory.h"
#include "host/AppLog.h"

#include "site/SiteFlags.h"
#include <statusobject/CommandRule.h>
#include <statusobject/StateTexts.h>
#include <statusobject/Vocabulary.h>

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace sv {
namespace {

using so::db::Recordset;
namespace device = so::device;
namespace state = so::state;

constexpr int kTickMs = 10;
/// At most this much traffic is caught up after the event loop was held up.
constexpr double kMaxCatchUpSeconds = 0.25;
/// The second of each minute that holds the burst, when there is one.
constexpr qint64 kBurstSecond = 30;

// Mask sources: what masks a classic input (bits of its status value) and a newer-line input.
constexpr qint64 kClassicTimeZone = 1, kClassicControlZone = 2;
constexpr qint64 kZrTimeZone = 2, kZrControlZone = 4, kZrControlZoneMomentary = 512;

// Reasons a classic relay is active, and newer-line relay modes.
constexpr qint32 kReasonNone = 0, kReasonTrigger = 1, kReasonUnlock = 2, kReasonForceOn = 8, kReasonForceOff = 16,
                 kReasonLockDown = 512, kReasonLockOpen = 1024;
constexpr qint64 kModeNone = 1, kModeForceOn = 1024, kModeForceOff = 2048, kModeLockDown = 131072,
                 kModeLockOpen = 262144;

// Newer-line line states of an input's first line: at rest "X", active "//".
constexpr qint64 kLineNormal = 0x12, kLineActive = 0x11;

// A controller's conditions the traffic faults and restores: AC power, memory and UPS battery
// (power) and enclosure (tamper), as (ok, fault) codes.
constexpr std::pair<int, int> kControllerConditions[] = {{state::AcPowerOk, state::AcPowerFailed},
                                                         {state::MemoryBatteryOk, state::MemoryBatteryFailed},
                                                         {state::UpsBatteryOk, state::UpsBatteryFailed},
                                                         {state::EnclosureClosed, state::EnclosureOpen}};

// Weights of the bursts against the everyday traffic's (hundreds): now and then, not all the time.
constexpr int kBurstWeight = 2;

/// The status type and entry index of expansion input n (1-32).
std::pair<int, int> expansionInputSlot(int n) {
    for (int type : {so::db::StatusExpInputs1to8, so::db::StatusExpInputs9to16, so::db::StatusExpInputs17to24,
                     so::db::StatusExpInputs25to32}) {
        const so::db::StatusPointRange range = *so::db::statusPointRange(type);
        if (n >= range.firstPoint && n <= range.lastPoint)
            return {type, n - range.firstPoint};
    }
    return {0, -1};
}

QString pointAddress(const QString& controller, const char* code, int number) {
    return controller + QLatin1Char('.') + QLatin1String(code) +
           QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

}  // namespace

SimulatedField::SimulatedField(so::db::Connection& db, const FieldOptions& options, AppLog* log)
    : db_(db), options_(options), log_(log), rng_(options.seed), writer_(std::make_unique<FieldWriter>(db.url(), log)) {
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, [this] { onTick(); });
    flushTimer_.setInterval(options_.flushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { flush(); });
}

SimulatedField::~SimulatedField() {
    tick_.stop();
    flushTimer_.stop();
    flush();
}

// ---- loading ------------------------------------------------------------------------------------

void SimulatedField::clear() {
    ++generation_;
    controllers_.clear();
    controllerById_.clear();
    inputs_.clear();
    inputByAddress_.clear();
    alarmInputs_.clear();
    relays_.clear();
    relayByAddress_.clear();
    doors_.clear();
    readers_.clear();
    ports_.clear();
    threatIds_.clear();
    zrInputs_.clear();
    zrInputById_.clear();
    zrRelays_.clear();
    zrRelayById_.clear();
    zrModules_.clear();
    zrDoorById_.clear();
    keypadsByReader_.clear();
    zrReaderAddress_.clear();
    liveZrInputs_.clear();
    liveZrRelays_.clear();
    liveZrModules_.clear();
    zrControllers_.clear();
    offlineZrControllers_.clear();
    auxRelays_.clear();
    auxZrRelays_.clear();
    inputsByController_.clear();
    episodes_.clear();
    busy_.clear();
    abnormalPoints_ = 0;
    pendingWrites_.clear();
}

void SimulatedField::load() {
    clear();
    book_.load(db_);
    loadClassic();
    loadNewerLine();
    buildScenarios();
    seedHistory();
}

void SimulatedField::setHistory(ReportHistory* history) {
    history_ = history;
    book_.setObserver(history);
}

void SimulatedField::seedHistory() {
    if (history_ == nullptr)
        return;
    history_->beginSeed();
    book_.describe(*history_);
    for (int c = 0; c < kDeviceColumnCount; ++c)
        for (Recordset rs = db_.query(deviceColumnSelect(DeviceColumn(c))); !rs.eof(); rs.moveNext())
            history_->deviceChanged(DeviceColumn(c), rs.field(0).toInt(), rs.field(1).toLongLong());
    history_->endSeed();
}

int SimulatedField::deviceCount() const {
    return int(controllers_.size() + inputs_.size() + relays_.size() + doors_.size() + readers_.size() + ports_.size() +
               liveZrInputs_.size() + liveZrRelays_.size() + liveZrModules_.size());
}

void SimulatedField::loadClassic() {
    for (Recordset rs =
             db_.query(QStringLiteral("SELECT Controller_ID, Address FROM Controllers WHERE Installed <> 0"));
         !rs.eof(); rs.moveNext()) {
        controllerById_.insert(rs.field(0).toInt(), int(controllers_.size()));
        controllers_.append({rs.field(0).toInt(), rs.field(1).toString()});
    }
    auto installed = [this](qint32 controllerId) { return controllerById_.contains(controllerId); };

    // Base-board inputs (status type 7), then the fitted expansion inputs (8, 9, 14, 15).
    QVector<bool> belongsToDoor;
    for (Recordset rs = db_.query(QStringLiteral(
             "SELECT Address, ControllerID, [Index], NormalyOpen, BelongToDoor FROM Inputs WHERE Disabled = 0"));
         !rs.eof(); rs.moveNext()) {
        const qint32 controller = rs.field(1).toInt();
        const int number = rs.field(2).toInt();
        if (!installed(controller) || number < 1 || number > 8)
            continue;
        Input in{rs.field(0).toString(), book_.point(controller, so::db::StatusInputs, number - 1),
                 so::db::storedFlag(rs.field(3)), false};
        if (!in.ref.valid())
            continue;
        inputByAddress_.insert(in.address, int(inputs_.size()));
        inputsByController_[controller].append(int(inputs_.size()));
        if (!so::db::storedFlag(rs.field(4)))
            alarmInputs_.append(int(inputs_.size()));
        inputs_.append(in);
    }
    for (Recordset rs = db_.query(QStringLiteral(
             "SELECT ExpInputs.Address, ExpInputs.ControllerID, ExpInputs.InputIndex, ExpInputs.normal_open "
             "FROM ExpInputs INNER JOIN PanelBasicSetups ON ExpInputs.ControllerID = PanelBasicSetups.ControllerID "
             "WHERE ExpInputs.InputIndex <= PanelBasicSetups.nxinputs AND ExpInputs.Disabled = 0"));
         !rs.eof(); rs.moveNext()) {
        const qint32 controller = rs.field(1).toInt();
        const auto [type, index] = expansionInputSlot(rs.field(2).toInt());
        if (!installed(controller) || type == 0)
            continue;
        Input in{rs.field(0).toString(), book_.point(controller, type, index), so::db::storedFlag(rs.field(3)), true};
        if (!in.ref.valid())
            continue;
        inputByAddress_.insert(in.address, int(inputs_.size()));
        inputsByController_[controller].append(int(inputs_.size()));
        alarmInputs_.append(int(inputs_.size()));
        inputs_.append(in);
    }

    // Base-board relays (status type 1) and expansion relays (2).
    auto addRelays = [&](const QString& sql, int type, int maxNumber, bool expansion) {
        for (Recordset rs = db_.query(sql); !rs.eof(); rs.moveNext()) {
            const qint32 controller = rs.field(1).toInt();
            const int number = rs.field(2).toInt();
            if (!installed(controller) || number < 1 || number > maxNumber)
                continue;
            Relay r{rs.field(0).toString(), book_.point(controller, type, number - 1), expansion};
            if (!r.ref.valid())
                continue;
            relayByAddress_.insert(r.address, int(relays_.size()));
            relays_.append(r);
        }
    };
    addRelays(QStringLiteral("SELECT Address, ControllerID, [Index] FROM Outputs"), so::db::StatusRelays, 8, false);
    addRelays(QStringLiteral("SELECT Address, ControllerID, OutputIndex FROM ExpOutputs"), so::db::StatusExpRelays, 64,
              true);

    // Doors: door n is input n and relay n of its controller.
    for (Recordset rs = db_.query(QStringLiteral(
             "SELECT Doors.ControllerID, Doors.InputIndex, Doors.OutputIndex FROM Doors WHERE Doors.Active <> 0"));
         !rs.eof(); rs.moveNext()) {
        const auto c = controllerById_.constFind(rs.field(0).toInt());
        if (c == controllerById_.constEnd())
            continue;
        const QString& controller = controllers_[*c].address;
        Door d;
        d.input = inputByAddress_.value(pointAddress(controller, "BI", rs.field(1).toInt()), -1);
        d.relay = relayByAddress_.value(pointAddress(controller, "BR", rs.field(2).toInt()), -1);
        if (d.input >= 0)
            doors_.append(d);
    }

    for (Recordset rs = db_.query(QStringLiteral("SELECT Address, ControllerID, [Index] FROM Readers")); !rs.eof();
         rs.moveNext()) {
        const qint32 controller = rs.field(1).toInt();
        const int number = rs.field(2).toInt();
        if (!installed(controller) || number < 1 || number > 16)
            continue;
        Reader r{rs.field(0).toString(), book_.point(controller, so::db::StatusReaders, number - 1), controller,
                 number};
        if (r.ref.valid())
            readers_.append(r);
    }

    for (Recordset rs = db_.query(QStringLiteral("SELECT PortID, Address FROM ServerPorts WHERE PortType <> 4"));
         !rs.eof(); rs.moveNext()) {
        const qint32 id = rs.field(0).toInt();
        if (book_.values(id, so::db::StatusPort) != nullptr)
            ports_.append({id, rs.field(1).toString()});
    }

    for (Recordset rs = db_.query(QStringLiteral("SELECT ThreatID FROM ThreatLevels ORDER BY ThreatID")); !rs.eof();
         rs.moveNext())
        threatIds_.append(rs.field(0).toInt());
}

void SimulatedField::loadNewerLine() {
    // Live: the point's controller is on line and installed (flags, never multiplied: a server
    // refuses arithmetic on bit columns).
    const QString online = QStringLiteral(
        "(Select Case When ZRII_Controllers.Online <> 0 And ZRII_Controllers.Installed <> 0 Then 1 Else 0 End "
        "From ZRII_Controllers Where ZRII_Controllers.ID = %1.ControllerID) as Live");
    for (Recordset rs =
             db_.query(QStringLiteral("SELECT InputID, Address, ContactStatus, MaskSource, %1 FROM ZRII_Inputs")
                           .arg(online.arg(QStringLiteral("ZRII_Inputs"))));
         !rs.eof(); rs.moveNext()) {
        ZrInput in{rs.field(0).toInt(), rs.field(1).toString(), rs.field(2).toLongLong(), rs.field(3).toLongLong(),
                   so::db::storedFlag(rs.field(4))};
        zrInputById_.insert(in.id, int(zrInputs_.size()));
        if (in.live)
            liveZrInputs_.append(int(zrInputs_.size()));
        zrInputs_.append(in);
    }
    QHash<QString, int> relayByAddress;
    for (Recordset rs =
             db_.query(QStringLiteral("SELECT RelayID, Address, EnergizedStatus, OperationsStatus, %1 FROM ZRII_Relays")
                           .arg(online.arg(QStringLiteral("ZRII_Relays"))));
         !rs.eof(); rs.moveNext()) {
        ZrRelay r{rs.field(0).toInt(), rs.field(1).toString(), so::db::storedFlag(rs.field(2)),
                  rs.field(3).toLongLong(), so::db::storedFlag(rs.field(4))};
        zrRelayById_.insert(r.id, int(zrRelays_.size()));
        relayByAddress.insert(r.address, int(zrRelays_.size()));
        if (r.live)
            liveZrRelays_.append(int(zrRelays_.size()));
        zrRelays_.append(r);
    }
    QHash<qint32, int> moduleById;
    for (Recordset rs = db_.query(QStringLiteral("SELECT ID, Address, Online, InTamper, %1 FROM ZRII_Modules")
                                      .arg(online.arg(QStringLiteral("ZRII_Modules"))));
         !rs.eof(); rs.moveNext()) {
        ZrModule m{rs.field(0).toInt(), rs.field(1).toString(), so::db::storedFlag(rs.field(2)),
                   so::db::storedFlag(rs.field(3)), so::db::storedFlag(rs.field(4))};
        moduleById.insert(m.id, int(zrModules_.size()));
        if (m.live)
            liveZrModules_.append(int(zrModules_.size()));
        zrModules_.append(m);
    }
    // A door's relay has the door's address with "DR" replaced by "BR"; its inputs are related.
    for (Recordset rs = db_.query(QStringLiteral("SELECT DoorID, Address FROM ZRII_Doors")); !rs.eof(); rs.moveNext()) {
        QString relayAddress = rs.field(1).toString();
        relayAddress.replace(QStringLiteral("DR"), QStringLiteral("BR"));
        ZrDoor& door = zrDoorById_[rs.field(0).toInt()];
        door.address = rs.field(1).toString();
        door.relay = relayByAddress.value(relayAddress, -1);
    }
    for (Recordset rs = db_.query(QStringLiteral("SELECT DoorID, InputID FROM ZRII_InputsInDoorsRelations")); !rs.eof();
         rs.moveNext()) {
        const int input = zrInputById_.value(rs.field(1).toInt(), -1);
        if (input >= 0)
            zrDoorById_[rs.field(0).toInt()].inputs.append(input);
    }
    QHash<QString, int> pointsByController;
    for (const ZrInput& in : std::as_const(zrInputs_))
        ++pointsByController[in.address.left(15)];
    for (const ZrRelay& r : std::as_const(zrRelays_))
        ++pointsByController[r.address.left(15)];
    for (const ZrModule& m : std::as_const(zrModules_))
        ++pointsByController[m.address.left(15)];
    for (Recordset rs =
             db_.query(QStringLiteral("SELECT ID, Address FROM ZRII_Controllers WHERE Online <> 0 AND Installed <> 0"));
         !rs.eof(); rs.moveNext()) {
        const QString address = rs.field(1).toString();
        zrControllers_.append({rs.field(0).toInt(), address, 1 + pointsByController.value(address)});
    }
    for (Recordset rs = db_.query(QStringLiteral(
             "SELECT ZRII_KeypadsInReader.ReaderID, ZRII_Keypads.ID, ZRII_Keypads.KeypadModuleID "
             "FROM ZRII_KeypadsInReader INNER JOIN ZRII_Keypads ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID"));
         !rs.eof(); rs.moveNext())
        keypadsByReader_[rs.field(0).toInt()].append({rs.field(1).toInt(), moduleById.value(rs.field(2).toInt(), -1)});
    for (Recordset rs = db_.query(QStringLiteral("SELECT ReaderID, Address FROM ZRII_Readers")); !rs.eof();
         rs.moveNext())
        zrReaderAddress_.insert(rs.field(0).toInt(), rs.field(1).toString());
}

// ---- the scenarios ------------------------------------------------------------------------------

// One row per scenario, in the enum's order (the episodes find their row by their scenario).
constexpr SimulatedField::ScenarioRow SimulatedField::kScenarios[] = {
    {Scenario::DoorTraffic, "DoorTraffic", 300, [](const SimulatedField& f) { return !f.doors_.isEmpty(); },
     &SimulatedField::startDoorTraffic, &SimulatedField::endDoorOpening},
    {Scenario::DoorAlarm, "DoorAlarm", 50, [](const SimulatedField& f) { return !f.doors_.isEmpty(); },
     &SimulatedField::startDoorAlarm, &SimulatedField::endDoorOpening},
    {Scenario::InputAlarm, "InputAlarm", 140, [](const SimulatedField& f) { return !f.alarmInputs_.isEmpty(); },
     &SimulatedField::startInputAlarm, &SimulatedField::endInputAlarm},
    {Scenario::TimeZoneMask, "TimeZoneMask", 40, [](const SimulatedField& f) { return !f.inputs_.isEmpty(); },
     &SimulatedField::startTimeZoneMask, &SimulatedField::endTimeZoneMask},
    {Scenario::RelaySwitch, "RelaySwitch", 100, [](const SimulatedField& f) { return !f.auxRelays_.isEmpty(); },
     &SimulatedField::switchRelay, nullptr},
    {Scenario::ControllerPower, "ControllerPower", 20,
     [](const SimulatedField& f) { return !f.controllers_.isEmpty(); }, &SimulatedField::startControllerPower,
     &SimulatedField::endControllerCondition},
    {Scenario::ControllerTamper, "ControllerTamper", 20,
     [](const SimulatedField& f) { return !f.controllers_.isEmpty(); }, &SimulatedField::startControllerTamper,
     &SimulatedField::endControllerCondition},
    {Scenario::ReaderTamper, "ReaderTamper", 30, [](const SimulatedField& f) { return !f.readers_.isEmpty(); },
     &SimulatedField::startReaderTamper, &SimulatedField::endReaderTamper},
    {Scenario::ThreatLevel, "ThreatLevel", 10,
     [](const SimulatedField& f) { return !f.readers_.isEmpty() && !f.threatIds_.isEmpty(); },
     &SimulatedField::changeThreatLevel, nullptr},
    {Scenario::PortLink, "PortLink", 10, [](const SimulatedField& f) { return !f.ports_.isEmpty(); },
     &SimulatedField::startPortLink, &SimulatedField::endPortLink},
    {Scenario::ZrInputChange, "ZrInputChange", 80, [](const SimulatedField& f) { return !f.liveZrInputs_.isEmpty(); },
     &SimulatedField::startZrInputChange, &SimulatedField::endZrInputChange},
    {Scenario::ZrMask, "ZrMask", 20, [](const SimulatedField& f) { return !f.liveZrInputs_.isEmpty(); },
     &SimulatedField::startZrMask, &SimulatedField::endZrMask},
    {Scenario::ZrRelaySwitch, "ZrRelaySwitch", 40, [](const SimulatedField& f) { return !f.auxZrRelays_.isEmpty(); },
     &SimulatedField::switchZrRelay, nullptr},
    {Scenario::ZrModule, "ZrModule", 10, [](const SimulatedField& f) { return !f.liveZrModules_.isEmpty(); },
     &SimulatedField::startZrModule, &SimulatedField::endZrModule},
    {Scenario::ZrControllerOutage, "ZrControllerOutage", kBurstWeight,
     [](const SimulatedField& f) { return !f.zrControllers_.isEmpty(); }, &SimulatedField::startZrControllerOutage,
     &SimulatedField::endZrControllerOutage},
    {Scenario::MassMask, "MassMask", kBurstWeight,
     [](const SimulatedField& f) { return !f.inputsByController_.isEmpty(); }, &SimulatedField::startMassMask,
     &SimulatedField::endMassMask},
};

const SimulatedField::ScenarioRow& SimulatedField::scenarioRow(Scenario scenario) {
    static_assert(
        [] {
            int i = 0;
            for (const ScenarioRow& row : kScenarios)
                if (int(row.scenario) != i++)
                    return false;
            return i == int(Scenario::MassMask) + 1;
        }(),
        "one row per scenario, in the enum's order");
    return kScenarios[int(scenario)];
}

void SimulatedField::buildScenarios() {
    scenarios_.clear();
    totalWeight_ = 0;
    // Door strikes switch with their doors only; the other relays switch freely.
    QSet<int> strikes;
    for (const Door& d : std::as_const(doors_))
        strikes.insert(d.relay);
    for (int r = 0; r < relays_.size(); ++r)
        if (!strikes.contains(r))
            auxRelays_.append(r);
    QSet<int> zrStrikes;
    for (const ZrDoor& d : std::as_const(zrDoorById_))
        zrStrikes.insert(d.relay);
    for (int r : std::as_const(liveZrRelays_))
        if (!zrStrikes.contains(r))
            auxZrRelays_.append(r);
    abnormalTarget_ = std::max(1, int(std::lround(deviceCount() * options_.abnormalPercent / 100.0)));

    for (const ScenarioRow& row : kScenarios) {
        if (!row.possible(*this))
            continue;
        totalWeight_ += row.weight;
        scenarios_.append({totalWeight_, row.scenario});
    }
}

// ---- sinks and running --------------------------------------------------------------------------

void SimulatedField::addSink(StateSink* sink) {
    if (sink != nullptr && !sinks_.contains(sink))
        sinks_.append(sink);
}

void SimulatedField::removeSink(StateSink* sink) { sinks_.removeAll(sink); }

void SimulatedField::start() {
    budget_ = 0.0;
    clock_.start();
    sinceStart_.start();
    tick_.start();
    flushTimer_.start();
}

void SimulatedField::stop() {
    tick_.stop();
    flushTimer_.stop();
    flush();
    ++generation_;  // reports still waiting for a write or an answer's delay stay unsent
}

double SimulatedField::rateNow() const {
    if (options_.burstReports <= 0)
        return options_.reportsPerSecond;
    if (sinceStart_.elapsed() / 1000 % 60 == kBurstSecond)
        return double(options_.burstReports);
    return std::max(0.0, (options_.reportsPerSecond * 60.0 - options_.burstReports) / 59.0);
}

void SimulatedField::onTick() {
    const double seconds = double(clock_.restart()) / 1000.0;
    const double rate = rateNow();
    budget_ = std::min(budget_ + rate * seconds, std::max(1.0, rate * kMaxCatchUpSeconds));
    // An event sends one to a few reports: the few sent beyond the budget are taken from the next
    // tick's, so the reports keep to the rate on average.
    while (budget_ >= 1.0 && totalWeight_ > 0)
        budget_ -= std::max(1, step(1));
}

int SimulatedField::step(int events) {
    const qint64 before = reportsSent_;
    for (int i = 0; i < events && totalWeight_ > 0; ++i) {
        // The more points the open episodes hold, the likelier one ends: they stay about the target.
        if (!episodes_.isEmpty() && pick(2 * abnormalTarget_) < abnormalPoints_) {
            endEpisode(pick(int(episodes_.size())));
            continue;
        }
        const int roll = pick(totalWeight_);
        const auto it = std::upper_bound(scenarios_.cbegin(), scenarios_.cend(), roll,
                                         [](int r, const std::pair<int, Scenario>& s) { return r < s.first; });
        (this->*scenarioRow(it->second).start)();
    }
    return int(reportsSent_ - before);
}

void SimulatedField::flush(std::function<void()> afterwards) {
    FieldWrites writes;
    book_.takeChanged(writes.statusRows);
    writes.deviceRows = std::move(pendingWrites_);
    pendingWrites_.clear();
    writer_->submit(std::move(writes), std::move(afterwards));
    if (history_ != nullptr)
        history_->tick();
}

void SimulatedField::report(const QString& deviceType, const QString& address, int state, const QString& value) {
    ++reportsSent_;
    if (history_ != nullptr)
        history_->reported(deviceType, address, state, value);
    for (qsizetype i = 0; i < sinks_.size(); ++i) {
        ++deliveries_;
        sinks_[i]->StateChange(deviceType, address, quint8(state), QString(), value);
    }
}

// ---- the traffic --------------------------------------------------------------------------------

void SimulatedField::startEpisode(Scenario scenario, int target, QVector<quint64> keys, QVector<int> members,
                                  int points) {
    for (quint64 k : std::as_const(keys))
        busy_.insert(k);
    abnormalPoints_ += points;
    episodes_.append({scenario, target, std::move(members), std::move(keys), points});
}

bool SimulatedField::zrOffline(const QString& address) const {
    return !offlineZrControllers_.isEmpty() && offlineZrControllers_.contains(address.left(15));
}

int SimulatedField::doorAtRest() {
    const int door = pick(int(doors_.size()));
    const Input& in = inputs_[doors_[door].input];
    if (busy(key(Scenario::DoorTraffic, door)) || inputActive(in) ||
        codes::has(book_.entry(in.ref).codes, state::AlarmSet))
        return -1;
    return door;
}

void SimulatedField::startDoorTraffic() {
    const int door = doorAtRest();
    if (door < 0)
        return;
    // Most openings follow a granted access: the strike is energised first.
    Door& d = doors_[door];
    if (d.relay >= 0 && !relayOn(relays_[d.relay]) && chance(70)) {
        setRelay(relays_[d.relay], true);
        d.accessGranted = true;
    }
    setInputActive(inputs_[d.input], true);
    startEpisode(Scenario::DoorTraffic, door, {key(Scenario::DoorTraffic, door)});
}

void SimulatedField::startDoorAlarm() {
    // Forced open.
    const int door = doorAtRest();
    if (door < 0)
        return;
    Input& in = inputs_[doors_[door].input];
    setInputActive(in, true);
    setInputAlarm(in, true);
    startEpisode(Scenario::DoorAlarm, door, {key(Scenario::DoorTraffic, door)});
}

void SimulatedField::startInputAlarm() {
    const int input = alarmInputs_[pick(int(alarmInputs_.size()))];
    Input& in = inputs_[input];
    const quint64 k = key(Scenario::InputAlarm, input);
    if (busy(k) || inputActive(in) || codes::has(book_.entry(in.ref).codes, state::AlarmSet))
        return;
    setInputActive(in, true);
    setInputAlarm(in, true);
    startEpisode(Scenario::InputAlarm, input, {k});
}

void SimulatedField::startTimeZoneMask() {
    const int input = pick(int(inputs_.size()));
    const quint64 k = key(Scenario::TimeZoneMask, input);
    if (busy(k) || book_.entry(inputs_[input].ref).maskSource != 0)
        return;
    setInputMask(inputs_[input], kClassicTimeZone);
    startEpisode(Scenario::TimeZoneMask, input, {k});
}

void SimulatedField::startMassMask() {
    // Opening time: a controller's time zone masks every one of its inputs at once.
    const Controller& c = controllers_[pick(int(controllers_.size()))];
    QVector<int> masked;
    QVector<quint64> keys;
    for (int input : inputsByController_.value(c.id)) {
        const quint64 k = key(Scenario::TimeZoneMask, input);
        if (busy(k) || book_.entry(inputs_[input].ref).maskSource != 0)
            continue;
        setInputMask(inputs_[input], kClassicTimeZone);
        masked.append(input);
        keys.append(k);
    }
    if (masked.isEmpty())
        return;
    ++massMasks_;
    const int points = int(masked.size());
    startEpisode(Scenario::MassMask, c.id, std::move(keys), std::move(masked), points);
}

void SimulatedField::switchRelay() {
    Relay& r = relays_[auxRelays_[pick(int(auxRelays_.size()))]];
    setRelay(r, !relayOn(r));
}

void SimulatedField::startControllerPower() {
    const int controller = pick(int(controllers_.size()));
    startControllerCondition(Scenario::ControllerPower, controller, pick(3));
}

void SimulatedField::startControllerTamper() {
    startControllerCondition(Scenario::ControllerTamper, pick(int(controllers_.size())), 3);
}

void SimulatedField::startControllerCondition(Scenario scenario, int controller, int condition) {
    // Power and tamper share their keys: a controller's condition is held by one episode at a time.
    const quint64 k = key(Scenario::ControllerPower, controller * 4 + condition);
    const auto [ok, fault] = kControllerConditions[condition];
    if (busy(k) || controllerFaulted(controllers_[controller], fault))
        return;
    toggleControllerCondition(controllers_[controller], ok, fault);
    startEpisode(scenario, controller * 4 + condition, {k});
}

void SimulatedField::startReaderTamper() {
    const int reader = pick(int(readers_.size()));
    const int physical = chance(50) ? 1 : 0;
    Reader& r = readers_[reader];
    QVector<int>& list = book_.entry(r.ref).codes;
    const int tampered = physical ? state::ReaderPhysicalTamper : state::ReaderCodeTamper;
    const quint64 k = key(Scenario::ReaderTamper, reader * 2 + physical);
    if (busy(k) || codes::has(list, tampered))
        return;
    codes::setPair(list, physical ? state::ReaderPhysicalTamperCleared : state::ReaderCodeTamperCleared, tampered,
                   tampered);
    book_.touch(r.ref);
    report(device::Reader, r.address, tampered);
    startEpisode(Scenario::ReaderTamper, reader * 2 + physical, {k});
}

void SimulatedField::changeThreatLevel() {
    const Reader& r = readers_[pick(int(readers_.size()))];
    QVector<int>* levels = book_.values(r.controllerId, so::db::StatusThreatLevels);
    const auto c = controllerById_.constFind(r.controllerId);
    if (levels == nullptr || c == controllerById_.constEnd())
        return;
    // Raised now and then; mostly back to the lowest level.
    const int level = chance(40) ? threatIds_[pick(int(threatIds_.size()))] : threatIds_.first();
    while (levels->size() < r.number)
        levels->append(threatIds_.first());
    (*levels)[r.number - 1] = level;
    book_.touch(r.controllerId, so::db::StatusThreatLevels);
    report(device::ReaderThreatLevel, r.address, state::ReaderThreatLevel, QString::number(level));
    report(device::ControllerThreatLevel, controllers_[*c].address, state::ControllerThreatLevel,
           QString::number(*std::max_element(levels->cbegin(), levels->cend())));
}

void SimulatedField::startPortLink() {
    const int port = pick(int(ports_.size()));
    const Port& p = ports_[port];
    QVector<int>* state = book_.values(p.id, so::db::StatusPort);
    const quint64 k = key(Scenario::PortLink, port);
    if (busy(k) || !codes::has(*state, 1))
        return;
    *state = {0};
    book_.touch(p.id, so::db::StatusPort);
    report(device::Port, p.address, 0);
    startEpisode(Scenario::PortLink, port, {k});
}

int SimulatedField::zrInputFree(Scenario scenario) {
    const int input = liveZrInputs_[pick(int(liveZrInputs_.size()))];
    return busy(key(scenario, input)) || zrOffline(zrInputs_[input].address) ? -1 : input;
}

void SimulatedField::startZrInputChange() {
    const int input = zrInputFree(Scenario::ZrInputChange);
    if (input < 0)
        return;
    ZrInput& in = zrInputs_[input];
    if ((in.contact & 0xFF) != kLineNormal)
        return;
    setZrContact(in, (in.contact & ~qint64(0xFF)) | kLineActive);
    startEpisode(Scenario::ZrInputChange, input, {key(Scenario::ZrInputChange, input)});
}

void SimulatedField::startZrMask() {
    const int input = zrInputFree(Scenario::ZrMask);
    if (input < 0)
        return;
    ZrInput& in = zrInputs_[input];
    if (in.mask != 0)
        return;
    setZrMask(in, kZrTimeZone);
    startEpisode(Scenario::ZrMask, input, {key(Scenario::ZrMask, input)});
}

void SimulatedField::switchZrRelay() {
    ZrRelay& r = zrRelays_[auxZrRelays_[pick(int(auxZrRelays_.size()))]];
    if (!zrOffline(r.address))
        setZrRelay(r, !r.on);
}

void SimulatedField::startZrModule() {
    const int module = liveZrModules_[pick(int(liveZrModules_.size()))];
    ZrModule& m = zrModules_[module];
    const int offline = chance(60) ? 1 : 0;
    const quint64 k = key(Scenario::ZrModule, module);
    if (busy(k) || zrOffline(m.address) || !m.online || m.tamper)
        return;
    if (offline)
        setZrModuleOnline(m, false);
    else
        setZrModuleTamper(m, true);
    startEpisode(Scenario::ZrModule, module * 2 + offline, {k});
}

void SimulatedField::startZrControllerOutage() {
    const int controller = pick(int(zrControllers_.size()));
    const ZrController& c = zrControllers_[controller];
    if (offlineZrControllers_.contains(c.address))
        return;
    // Its modules that are on line and in no episode of their own go with it.
    QVector<int> modules;
    QVector<quint64> keys;
    for (int module : std::as_const(liveZrModules_)) {
        const quint64 k = key(Scenario::ZrModule, module);
        if (zrModules_[module].online && !busy(k) && zrModules_[module].address.startsWith(c.address)) {
            modules.append(module);
            keys.append(k);
        }
    }
    ++outages_;
    setZrControllerOnline(controller, false, modules);
    startEpisode(Scenario::ZrControllerOutage, controller, std::move(keys), std::move(modules), c.points);
}

void SimulatedField::endEpisode(int index) {
    const Episode e = episodes_[index];
    episodes_.remove(index);
    for (quint64 k : e.keys)
        busy_.remove(k);
    abnormalPoints_ -= e.points;
    (this->*scenarioRow(e.scenario).end)(e);
}

void SimulatedField::endDoorOpening(const Episode& e) {
    Door& d = doors_[e.target];
    Input& in = inputs_[d.input];
    setInputActive(in, false);
    if (codes::has(book_.entry(in.ref).codes, state::AlarmSet))
        setInputAlarm(in, false);
    if (d.accessGranted && d.relay >= 0)
        setRelay(relays_[d.relay], false);
    d.accessGranted = false;
}

void SimulatedField::endInputAlarm(const Episode& e) {
    setInputActive(inputs_[e.target], false);
    setInputAlarm(inputs_[e.target], false);
}

void SimulatedField::endTimeZoneMask(const Episode& e) { setInputMask(inputs_[e.target], 0); }

void SimulatedField::endMassMask(const Episode& e) {
    for (int input : e.members)
        setInputMask(inputs_[input], 0);
}

void SimulatedField::endControllerCondition(const Episode& e) {
    const Controller& c = controllers_[e.target / 4];
    const auto [ok, fault] = kControllerConditions[e.target % 4];
    if (controllerFaulted(c, fault))
        toggleControllerCondition(c, ok, fault);
}

void SimulatedField::endReaderTamper(const Episode& e) {
    const bool physical = e.target % 2 != 0;
    Reader& r = readers_[e.target / 2];
    const int ok = physical ? state::ReaderPhysicalTamperCleared : state::ReaderCodeTamperCleared;
    codes::setPair(book_.entry(r.ref).codes, ok, physical ? state::ReaderPhysicalTamper : state::ReaderCodeTamper, ok);
    book_.touch(r.ref);
    report(device::Reader, r.address, ok);
}

void SimulatedField::endPortLink(const Episode& e) {
    const Port& p = ports_[e.target];
    *book_.values(p.id, so::db::StatusPort) = {1};
    book_.touch(p.id, so::db::StatusPort);
    report(device::Port, p.address, 1);
}

void SimulatedField::endZrInputChange(const Episode& e) {
    ZrInput& in = zrInputs_[e.target];
    setZrContact(in, (in.contact & ~qint64(0xFF)) | kLineNormal);
}

void SimulatedField::endZrMask(const Episode& e) { setZrMask(zrInputs_[e.target], 0); }

void SimulatedField::endZrModule(const Episode& e) {
    ZrModule& m = zrModules_[e.target / 2];
    if (e.target % 2 != 0)
        setZrModuleOnline(m, true);
    else
        setZrModuleTamper(m, false);
}

void SimulatedField::endZrControllerOutage(const Episode& e) { setZrControllerOnline(e.target, true, e.members); }

void SimulatedField::setZrControllerOnline(int controller, bool online, const QVector<int>& modules) {
    const ZrController& c = zrControllers_[controller];
    if (online)
        offlineZrControllers_.remove(c.address);
    else
        offlineZrControllers_.insert(c.address);
    // The receivers re-read the controller's and the modules' rows while handling the reports:
    // they go out once the rows are written (the writer runs on its own thread).
    queueWrite(DeviceColumn::ControllerOnline, c.id, online ? 1 : 0);
    QStringList moduleAddresses;
    for (int module : modules) {
        zrModules_[module].online = online;
        queueWrite(DeviceColumn::ModuleOnline, zrModules_[module].id, online ? 1 : 0);
        moduleAddresses << zrModules_[module].address;
    }
    const int generation = generation_;
    flush([this, generation, address = c.address, online, moduleAddresses] {
        if (generation != generation_)
            return;
        report(device::ZR2Controller, address, online ? 1 : 0);
        for (const QString& module : moduleAddresses)
            report(device::ZR2Module, module, online ? 1 : 0);
    });
}

// ---- classic points -----------------------------------------------------------------------------

bool SimulatedField::inputActive(const Input& in) {
    // Line bit 0 is the contact; a normally open contact is active when the bit is clear.
    const bool bit = (codes::line(book_.entry(in.ref).codes) & 1) != 0;
    return bit != in.normallyOpen;
}

void SimulatedField::setInputLine(Input& in, int lineBits) {
    codes::setLine(book_.entry(in.ref).codes, lineBits);
    book_.touch(in.ref);
    report(in.expansion ? device::ExpInput : device::StdInput, in.address, lineBits);
}

void SimulatedField::setInputActive(Input& in, bool active) {
    const int line = codes::line(book_.entry(in.ref).codes);
    const int contact = active != in.normallyOpen ? 1 : 0;
    setInputLine(in, (line & ~1) | contact);
}

void SimulatedField::setInputAlarm(Input& in, bool on) {
    codes::setPair(book_.entry(in.ref).codes, state::AlarmSet, state::AlarmCleared,
                   on ? state::AlarmSet : state::AlarmCleared);
    book_.touch(in.ref);
    report(in.expansion ? device::ExpInput : device::StdInput, in.address, on ? state::AlarmSet : state::AlarmCleared);
}

void SimulatedField::setInputMask(Input& in, qint64 maskSource) {
    so::db::StatusEntry& e = book_.entry(in.ref);
    const int code = maskSource != 0 ? state::MaskSet : state::MaskCleared;
    codes::setPair(e.codes, state::MaskSet, state::MaskCleared, code);
    e.value = QString::number(maskSource);
    e.maskSource = quint32(maskSource);
    book_.touch(in.ref);
    report(in.expansion ? device::ExpInput : device::StdInput, in.address, code, e.value);
}

bool SimulatedField::relayOn(const Relay& r) { return codes::has(book_.entry(r.ref).codes, 1); }

void SimulatedField::setRelay(Relay& r, bool on) {
    codes::setPair(book_.entry(r.ref).codes, 0, 1, on ? 1 : 0);
    book_.touch(r.ref);
    report(r.expansion ? device::ExpRelay : device::StdRelay, r.address, on ? 1 : 0);
}

void SimulatedField::setRelayReason(Relay& r, qint32 reasonBits) {
    so::db::StatusEntry& e = book_.entry(r.ref);
    if (!codes::has(e.codes, state::RelayReasons))
        e.codes.append(state::RelayReasons);
    e.value = QString::number(reasonBits);
    book_.touch(r.ref);
    report(r.expansion ? device::ExpRelay : device::StdRelay, r.address, state::RelayReasons,
           so::FormatDetailedRelayState(reasonBits));
}

bool SimulatedField::controllerFaulted(const Controller& c, int faultCode) {
    const SuperStatusBook::Ref ref = book_.point(c.id, so::db::StatusController, 0);
    if (ref.valid())
        return codes::has(book_.entry(ref).codes, faultCode);
    const QVector<int>* all = book_.values(c.id, so::db::StatusControllerCodes);
    return all != nullptr && codes::has(*all, faultCode);
}

void SimulatedField::toggleControllerCondition(const Controller& c, int normalCode, int faultCode) {
    const SuperStatusBook::Ref ref = book_.point(c.id, so::db::StatusController, 0);
    QVector<int>* all = book_.values(c.id, so::db::StatusControllerCodes);
    const int code = controllerFaulted(c, faultCode) ? normalCode : faultCode;
    if (ref.valid()) {
        codes::setPair(book_.entry(ref).codes, normalCode, faultCode, code);
        book_.touch(ref);
    }
    if (all != nullptr) {
        codes::setPair(*all, normalCode, faultCode, code);
        book_.touch(c.id, so::db::StatusControllerCodes);
    }
    report(device::Controller, c.address, code);
}

// ---- newer line ---------------------------------------------------------------------------------

void SimulatedField::queueWrite(DeviceColumn column, qint32 id, qint64 value) {
    pendingWrites_[deviceColumnUpdate(column)].insert(id, value);
    if (history_ != nullptr)
        history_->deviceChanged(column, id, value);
}

void SimulatedField::setZrContact(ZrInput& in, qint64 contact) {
    in.contact = contact;
    queueWrite(DeviceColumn::InputContact, in.id, contact);
    report(device::ZR2Input, in.address, 1, QString::number(contact));
}

void SimulatedField::setZrMask(ZrInput& in, qint64 mask) {
    in.mask = mask;
    queueWrite(DeviceColumn::InputMask, in.id, mask);
    report(device::ZR2Input, in.address, 0, QString::number(mask));
}

void SimulatedField::setZrRelay(ZrRelay& r, bool on) {
    r.on = on;
    queueWrite(DeviceColumn::RelayEnergized, r.id, on ? 1 : 0);
    report(device::ZR2Relay, r.address, 1, on ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void SimulatedField::setZrRelayMode(ZrRelay& r, qint64 mode) {
    r.mode = mode;
    queueWrite(DeviceColumn::RelayOperations, r.id, mode);
    report(device::ZR2Relay, r.address, 0, QString::number(mode));
}

void SimulatedField::setZrModuleOnline(ZrModule& m, bool online) {
    // The receiver re-reads the module's row while handling the report: write it first.
    m.online = online;
    queueWrite(DeviceColumn::ModuleOnline, m.id, online ? 1 : 0);
    reportModuleWhenWritten(m.address, online ? 1 : 0);
}

void SimulatedField::setZrModuleTamper(ZrModule& m, bool tamper) {
    m.tamper = tamper;
    queueWrite(DeviceColumn::ModuleTamper, m.id, tamper ? 1 : 0);
    reportModuleWhenWritten(m.address, tamper ? 3 : 2);
}

void SimulatedField::reportModuleWhenWritten(const QString& address, int state) {
    const int generation = generation_;
    flush([this, generation, address, state] {
        if (generation == generation_)
            report(device::ZR2Module, address, state);
    });
}

// ---- commands -----------------------------------------------------------------------------------

void SimulatedField::later(int delayMs, std::function<void()> answer) {
    const int generation = generation_;
    QTimer::singleShot(qMax(0, delayMs), this, [this, generation, answer = std::move(answer)] {
        if (generation != generation_)
            return;
        answer();
        flush();
    });
}

SimulatedField::ApiTarget SimulatedField::apiCallTarget(qint32 controllerNumber, const QString& command,
                                                        qint16 pointNumber) const {
    ApiTarget target;
    const auto c = controllerById_.constFind(controllerNumber);
    if (c == controllerById_.constEnd())
        return target;
    // The points are resolved by the rule the windows' menus offer the command by; the first is
    // the input or relay that answers.
    const QStringList points = so::classicCommandPoints(controllers_[*c].address, command, pointNumber);
    if (points.isEmpty())
        return target;
    target.function = command.section(QLatin1Char('|'), 2);
    const QString code = points.first().section(QLatin1Char('.'), -1).left(2);
    target.mask = code == QLatin1String("BI") || code == QLatin1String("XI");
    target.point = (target.mask ? inputByAddress_ : relayByAddress_).value(points.first(), -1);
    if (target.point >= 0)
        target.addresses = points;
    return target;
}

QStringList SimulatedField::apiCallTargets(qint32 controllerNumber, const QString& command, qint16 pointNumber) const {
    return apiCallTarget(controllerNumber, command, pointNumber).addresses;
}

QStringList SimulatedField::deviceTargets(qint32 deviceType, qint32 deviceId) const {
    if (deviceType == 7 && zrDoorById_.contains(deviceId))
        return {zrDoorById_.value(deviceId).address};
    if (deviceType == 6 && zrInputById_.contains(deviceId))
        return {zrInputs_[zrInputById_.value(deviceId)].address};
    if (deviceType == 5 && zrRelayById_.contains(deviceId))
        return {zrRelays_[zrRelayById_.value(deviceId)].address};
    return {};
}

QStringList SimulatedField::readerTargets(qint32 readerId) const {
    const QString address = zrReaderAddress_.value(readerId);
    return address.isEmpty() ? QStringList() : QStringList{address};
}

void SimulatedField::dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) {
    const ApiTarget target = apiCallTarget(controllerNumber, command, pointNumber);
    if (target.point < 0) {
        if (log_ != nullptr)
            log_->error(QStringLiteral("Simulated field: no answer to \"%1\" for controller %2, point %3")
                            .arg(command)
                            .arg(controllerNumber)
                            .arg(pointNumber));
        return;
    }
    if (target.mask)
        answerInputMask(target.point, target.function);
    else
        answerRelay(target.point, target.function);
}

void SimulatedField::answerRelay(int relay, const QString& function) {
    struct Effect {
        const char* function;
        int state;       // 1 energise, 0 release, -1 unchanged
        qint32 reason;   // reported reason, -1 none
        bool momentary;  // released again after the momentary time
    };
    static const Effect effects[] = {
        {"MOMENTARY_ACCESS", 1, kReasonUnlock, true}, {"UNLOCK_DOOR", 1, kReasonUnlock, false},
        {"RELOCK_DOOR", 0, kReasonNone, false},       {"TRIGGER", 1, kReasonTrigger, true},
        {"FORCEON", 1, kReasonForceOn, false},        {"FORCEON_RELEASE", 0, kReasonNone, false},
        {"FORCEOFF", 0, kReasonForceOff, false},      {"FORCEOFF_RELEASE", -1, kReasonNone, false},
        {"LOCKDOWN", 0, kReasonLockDown, false},      {"LOCKDOWN_RELEASE", -1, kReasonNone, false},
        {"LOCKOPEN", 1, kReasonLockOpen, false},      {"LOCKOPEN_RELEASE", 0, kReasonNone, false},
    };
    const Effect* effect = nullptr;
    for (const Effect& e : effects)
        if (function == QLatin1String(e.function))
            effect = &e;
    if (effect == nullptr) {
        if (log_ != nullptr)
            log_->error(QStringLiteral("Simulated field: unknown relay function %1").arg(function));
        return;
    }
    const Effect e = *effect;
    later(options_.answerDelayMs, [this, relay, e] {
        Relay& r = relays_[relay];
        if (e.state >= 0)
            setRelay(r, e.state == 1);
        if (e.reason >= 0)
            setRelayReason(r, e.reason);
    });
    if (e.momentary)
        later(options_.answerDelayMs + options_.momentaryMs, [this, relay] {
            setRelay(relays_[relay], false);
            setRelayReason(relays_[relay], kReasonNone);
        });
}

void SimulatedField::answerInputMask(int input, const QString& function) {
    const bool mask = function != QLatin1String("UNMASK");
    later(options_.answerDelayMs,
          [this, input, mask] { setInputMask(inputs_[input], mask ? kClassicControlZone : 0); });
    if (function == QLatin1String("MOMENTARY_MASK"))
        later(options_.answerDelayMs + options_.momentaryMs, [this, input] { setInputMask(inputs_[input], 0); });
}

void SimulatedField::zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    const auto door = zrDoorById_.constFind(deviceId);
    if (deviceType != 7 || door == zrDoorById_.constEnd() || door->relay < 0 || functionCode < 1 || functionCode > 4) {
        if (log_ != nullptr)
            log_->error(QStringLiteral("Simulated field: no answer to access function %1 for device type %2, device %3")
                            .arg(functionCode)
                            .arg(deviceType)
                            .arg(deviceId));
        return;
    }
    const int relay = door->relay;
    // 1 momentary access, 2 unlock, 3 relock, 4 toggle.
    later(options_.answerDelayMs, [this, relay, functionCode] {
        ZrRelay& r = zrRelays_[relay];
        setZrRelay(r, functionCode == 4 ? !r.on : functionCode != 3);
    });
    if (functionCode == 1)
        later(options_.answerDelayMs + options_.momentaryMs, [this, relay] { setZrRelay(zrRelays_[relay], false); });
}

void SimulatedField::zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    const bool maskFunction = functionCode == 10 || functionCode == 11 || functionCode == 14;
    QVector<int> inputs;
    int relay = -1;
    if (deviceType == 7) {
        const ZrDoor door = zrDoorById_.value(deviceId);
        inputs = door.inputs;
        relay = door.relay;
    } else if (deviceType == 6) {
        const int input = zrInputById_.value(deviceId, -1);
        if (input >= 0)
            inputs.append(input);
    } else if (deviceType == 5) {
        relay = zrRelayById_.value(deviceId, -1);
    }
    if (maskFunction && !inputs.isEmpty()) {
        for (int input : std::as_const(inputs))
            answerZrMask(input, functionCode);
    } else if (!maskFunction && relay >= 0 && functionCode >= 100 && functionCode <= 110) {
        answerZrRelay(relay, functionCode);
    } else if (log_ != nullptr) {
        log_->error(QStringLiteral("Simulated field: no answer to control function %1 for device type %2, device %3")
                        .arg(functionCode)
                        .arg(deviceType)
                        .arg(deviceId));
    }
}

void SimulatedField::answerZrRelay(int relay, qint32 functionCode) {
    struct Effect {
        int state;    // 1 energise, 0 release, -1 unchanged
        qint64 mode;  // reported mode, -1 unchanged
    };
    Effect e{-1, -1};
    switch (functionCode) {
    case 100: e = {1, -1}; break;  // trigger: released again after the momentary time
    case 103: e = {1, kModeForceOn}; break;
    case 104: e = {0, kModeNone}; break;
    case 105: e = {0, kModeForceOff}; break;
    case 106: e = {-1, kModeNone}; break;
    case 107: e = {0, kModeLockDown}; break;
    case 108: e = {-1, kModeNone}; break;
    case 109: e = {1, kModeLockOpen}; break;
    case 110: e = {0, kModeNone}; break;
    default: break;
    }
    later(options_.answerDelayMs, [this, relay, e] {
        ZrRelay& r = zrRelays_[relay];
        if (e.mode >= 0)
            setZrRelayMode(r, e.mode);
        if (e.state >= 0)
            setZrRelay(r, e.state == 1);
    });
    if (functionCode == 100)
        later(options_.answerDelayMs + options_.momentaryMs, [this, relay] { setZrRelay(zrRelays_[relay], false); });
}

void SimulatedField::answerZrMask(int input, qint32 functionCode) {
    // 10 mask, 11 unmask, 14 momentary mask (cleared again after the momentary time).
    const qint64 mask = functionCode == 10 ? kZrControlZone : functionCode == 14 ? kZrControlZoneMomentary : 0;
    later(options_.answerDelayMs, [this, input, mask] { setZrMask(zrInputs_[input], mask); });
    if (functionCode == 14)
        later(options_.answerDelayMs + options_.momentaryMs, [this, input] { setZrMask(zrInputs_[input], 0); });
}

void SimulatedField::zr2ClearCodeTamper(qint32 readerId) {
    const QVector<Keypad> keypads = keypadsByReader_.value(readerId);
    if (keypads.isEmpty()) {
        if (log_ != nullptr)
            log_->error(QStringLiteral("Simulated field: reader %1 has no keypad").arg(readerId));
        return;
    }
    later(options_.answerDelayMs, [this, keypads] {
        for (const Keypad& k : keypads)
            queueWrite(DeviceColumn::KeypadCodeTamper, k.id, 0);
        // The keypad module's report makes the receiver re-read the module and its reader.
        for (const Keypad& k : keypads)
            if (k.module >= 0)
                reportModuleWhenWritten(zrModules_[k.module].address, zrModules_[k.module].online ? 1 : 0);
    });
}

}  // namespace sv
