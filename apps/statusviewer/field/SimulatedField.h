// A simulated field for the status viewer: the site's devices, driven by a deterministic random
// generator, reporting state changes to every attached workstation at a chosen rate, and answering
// the commands operators send from the status windows.
//
// Traffic (weighted) as on a quiet site: most points stay at rest and a few are abnormal at any
// time. Each abnormal state is an episode that ends with the point back at rest: a door opened
// (often after a granted access, which energises the door's relay first) or forced (the door's
// alarm), an input alarm, an input masked by time zone, a controller losing AC power, memory or UPS
// battery, controller and reader tamper, a server port off line, and on the newer line an active
// input, a mask, a module off line or in enclosure tamper. Now and then a burst: a newer-line
// controller going off line with its modules (its other points show it at their next refresh;
// the field sends nothing for them meanwhile), or every input of a controller masked at once by
// its time zone at opening time. Episodes start and end so that the points they hold stay about
// one in a hundred (abnormalPercent). Relays that are not a door's strike switch freely, and
// threat levels rise and fall; neither is abnormal.
//
// Consistency: the classic points' states live in the field's copy of SuperStatus and the newer
// line's in its own tables (ZRII_*); both are written back in batches (every quarter second, and
// at once after a command) by a writer on its own thread and connection (FieldWriter), so a
// refresh from the database shows the picture the live reports drew and a locked site never holds
// up the windows. A module's report, whose receiver re-reads the module's row, goes out once its
// row was written.
//
// Commands: an answer comes a moment later (answerDelayMs): unlocking a door energises its relay,
// relocking releases it, a momentary access or trigger releases it again after momentaryMs; a mask
// makes the input report masked (state 67 with the mask source), an unmask clears it; force, lock
// down and lock open switch the relay and report the reason; the newer line's functions do the same
// through its own device types, and clearing a reader's code tamper re-reports its keypad module.
#pragma once

#include "field/DeviceColumns.h"
#include "field/FieldWriter.h"
#include "field/SuperStatusBook.h"

#include "FieldInterfaces.h"

#include <statusobject/Db.h>

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>
#include <QVector>

#include <functional>

namespace sv {

class AppLog;
class ReportHistory;

struct FieldOptions {
    /// State reports per second (each report goes to every sink).
    double reportsPerSecond = 20.0;
    /// Reports of each minute sent in one of its seconds (the 31st since the start) in place of
    /// that second's share; the rest of the minute's, reportsPerSecond * 60 - burstReports, spread
    /// over its other 59 seconds. 0: an even rate.
    int burstReports = 0;
    quint32 seed = 1;
    /// Delay of a command's answer.
    int answerDelayMs = 300;
    /// How long a momentary access, momentary mask or trigger lasts.
    int momentaryMs = 3000;
    /// How often changed states are written back to the site database.
    int flushIntervalMs = 250;
    /// About this share (in percent) of the devices is held abnormal by the traffic at any time.
    double abnormalPercent = 0.8;
};

class SimulatedField final : public QObject, public FieldDevices {
public:
    /// Reads the site through db; writes back through a connection of its own to db's url. log
    /// (may be null) must outlive the field: it writes the last changes back when destroyed.
    SimulatedField(so::db::Connection& db, const FieldOptions& options, AppLog* log = nullptr);
    ~SimulatedField() override;

    /// Keeps every report and row state in history (null: none); the history must outlive the
    /// field. Set before load(), which seeds it with the states loaded.
    void setHistory(ReportHistory* history);
    ReportHistory* history() const { return history_; }

    /// Reads the site's devices and their stored states, and seeds the history with them. Throws
    /// DbError when the site cannot be read.
    void load();
    /// Devices that take part in the traffic.
    int deviceCount() const;

    void addSink(StateSink* sink) override;
    void removeSink(StateSink* sink) override;

    /// Generates traffic at the rate (in state reports), driven by the event loop, until stop().
    void start();
    /// Stops the traffic (answers and module reports not sent yet are dropped) and writes the
    /// changed states back.
    void stop();
    bool isRunning() const { return tick_.isActive(); }
    void setRate(double reportsPerSecond) { options_.reportsPerSecond = reportsPerSecond; }
    double rate() const { return options_.reportsPerSecond; }

    /// Generates this many traffic events now (each one or a few state reports); returns the
    /// reports sent.
    int step(int events);
    /// Hands the changed states to the writer now (written on its thread); afterwards (optional)
    /// runs here once they (and all handed over before) are written.
    void flush(std::function<void()> afterwards = {}) override;
    /// Waits until every changed state handed over is written; false after timeoutMs.
    bool waitUntilWritten(int timeoutMs = 5000) { return writer_->waitUntilWritten(timeoutMs); }
    /// Changed rows not written yet, and failed write attempts since the start.
    int unwrittenRows() const { return writer_->unwrittenRows(); }
    qint64 failedWrites() const { return writer_->failedAttempts(); }

    /// State reports sent (each goes to every sink).
    qint64 reportsSent() const { return reportsSent_; }
    /// Reports handed to sinks (reports times sinks).
    qint64 deliveries() const { return deliveries_; }
    /// Points the traffic holds abnormal now (the open episodes' points), and how many it aims at.
    int abnormalPoints() const { return abnormalPoints_; }
    int abnormalTarget() const { return abnormalTarget_; }
    /// Bursts started so far: controllers taken off line, controllers' inputs masked at once.
    int controllerOutages() const { return outages_; }
    int massMasks() const { return massMasks_; }

    // ---- FieldControl: commands from the workstations
    void dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) override;
    void zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ClearCodeTamper(qint32 readerId) override;

    // The addresses of the points a command acts on (for a classic door's input or relay, the
    // door's address too), which the operator's rights are checked against; empty when the
    // command acts on no point of the site.
    QStringList apiCallTargets(qint32 controllerNumber, const QString& command, qint16 pointNumber) const override;
    /// Newer line: a door (device type 7), input (6) or relay (5).
    QStringList deviceTargets(qint32 deviceType, qint32 deviceId) const override;
    QStringList readerTargets(qint32 readerId) const override;

private:
    struct Controller {
        qint32 id = 0;
        QString address;
    };
    struct Input {
        QString address;
        SuperStatusBook::Ref ref;
        bool normallyOpen = false;
        bool expansion = false;
    };
    struct Relay {
        QString address;
        SuperStatusBook::Ref ref;
        bool expansion = false;
    };
    struct Door {
        int input = -1;
        int relay = -1;
        bool accessGranted = false;  // the traffic energised the relay for this opening
    };
    struct Reader {
        QString address;
        SuperStatusBook::Ref ref;
        qint32 controllerId = 0;
        int number = 0;
    };
    struct Port {
        qint32 id = 0;
        QString address;
    };
    struct ZrInput {
        qint32 id = 0;
        QString address;
        qint64 contact = 0;
        qint64 mask = 0;
        bool live = false;  // its controller is installed and on line
    };
    struct ZrRelay {
        qint32 id = 0;
        QString address;
        bool on = false;
        qint64 mode = 0;
        bool live = false;
    };
    struct ZrModule {
        qint32 id = 0;
        QString address;
        bool online = false;
        bool tamper = false;
        bool live = false;
    };
    struct ZrDoor {
        QString address;
        int relay = -1;
        QVector<int> inputs;
    };
    struct ZrController {
        qint32 id = 0;
        QString address;
        int points = 0;  // its inputs, relays, modules, doors and readers
    };
    struct Keypad {
        qint32 id = 0;
        int module = -1;
    };
    enum class Scenario {
        DoorTraffic,
        DoorAlarm,
        InputAlarm,
        TimeZoneMask,
        RelaySwitch,
        ControllerPower,
        ControllerTamper,
        ReaderTamper,
        ThreatLevel,
        PortLink,
        ZrInputChange,
        ZrMask,
        ZrRelaySwitch,
        ZrModule,
        ZrControllerOutage,
        MassMask
    };
    /// An abnormal state the traffic holds until it ends it: the scenario, its target (a device
    /// index, with the condition in the low bits where a device has several) and, for bursts, the
    /// points it took.
    struct Episode {
        Scenario scenario;
        int target = 0;
        QVector<int> members;
        QVector<quint64> keys;  // what it holds (see key())
        int points = 1;
    };

    /// A scenario of the traffic: its weight against the others', whether the loaded site has the
    /// points it needs, how it starts (an episode, or a change that holds nothing) and how its
    /// episode ends (null when it holds nothing). Adding a scenario is adding its Scenario value, its
    /// row to kScenarios (in the enum's order) and its two functions.
    struct ScenarioRow {
        Scenario scenario;
        const char* name;  // names the scenario in messages (the tests')
        int weight;
        bool (*possible)(const SimulatedField& field);
        void (SimulatedField::*start)();
        void (SimulatedField::*end)(const Episode& episode);
    };
    static const ScenarioRow kScenarios[];
    static const ScenarioRow& scenarioRow(Scenario scenario);
    friend struct SimulatedFieldInternals;  // the tests' access to the scenarios

    void clear();
    void seedHistory();
    void loadClassic();
    void loadNewerLine();
    void buildScenarios();
    void onTick();
    /// The reports a second due now (burstReports in the burst's second).
    double rateNow() const;
    /// Starts an episode of the scenario on a device at rest; nothing when the one picked is not.
    void startEpisode(Scenario scenario, int target, QVector<quint64> keys, QVector<int> members = {}, int points = 1);
    bool controllerFaulted(const Controller& c, int faultCode);
    void endEpisode(int index);

    // The scenarios' starts: each picks its device (its random draws are the traffic's, in order)
    // and leaves it alone when it is not at rest.
    /// A door whose contact is at rest and in no episode; -1 when the one picked is not.
    int doorAtRest();
    void startDoorTraffic();
    void startDoorAlarm();
    void startInputAlarm();
    void startTimeZoneMask();
    void startMassMask();
    void switchRelay();
    void startControllerPower();
    void startControllerTamper();
    void startControllerCondition(Scenario scenario, int controller, int condition);
    void startReaderTamper();
    void changeThreatLevel();
    void startPortLink();
    /// A live newer-line input in no episode of the scenario and on line; -1 when the one picked is not.
    int zrInputFree(Scenario scenario);
    void startZrInputChange();
    void startZrMask();
    void switchZrRelay();
    void startZrModule();
    void startZrControllerOutage();
    // ... and their ends: the points back at rest.
    void endDoorOpening(const Episode& e);
    void endInputAlarm(const Episode& e);
    void endTimeZoneMask(const Episode& e);
    void endMassMask(const Episode& e);
    void endControllerCondition(const Episode& e);
    void endReaderTamper(const Episode& e);
    void endPortLink(const Episode& e);
    void endZrInputChange(const Episode& e);
    void endZrMask(const Episode& e);
    void endZrModule(const Episode& e);
    void endZrControllerOutage(const Episode& e);

    bool busy(quint64 key) const { return busy_.contains(key); }
    static quint64 key(Scenario family, int target) { return (quint64(family) << 32) | quint32(target); }
    bool zrOffline(const QString& address) const;
    void setZrControllerOnline(int controller, bool online, const QVector<int>& modules);
    int pick(int count) { return int(rng_.bounded(quint32(count))); }
    bool chance(int percent) { return int(rng_.bounded(100u)) < percent; }

    void report(const QString& deviceType, const QString& address, int state, const QString& value = {});
    // Classic points: change the stored state and report it.
    bool inputActive(const Input& in);
    void setInputLine(Input& in, int lineBits);
    void setInputActive(Input& in, bool active);
    void setInputAlarm(Input& in, bool on);
    void setInputMask(Input& in, qint64 maskSource);
    bool relayOn(const Relay& r);
    void setRelay(Relay& r, bool on);
    void setRelayReason(Relay& r, qint32 reasonBits);
    void toggleControllerCondition(const Controller& c, int normalCode, int faultCode);
    // Newer line: change the device row (written back with the next flush) and report it.
    void setZrContact(ZrInput& in, qint64 contact);
    void setZrMask(ZrInput& in, qint64 mask);
    void setZrRelay(ZrRelay& r, bool on);
    void setZrRelayMode(ZrRelay& r, qint64 mode);
    void setZrModuleOnline(ZrModule& m, bool online);
    void setZrModuleTamper(ZrModule& m, bool tamper);
    void queueWrite(DeviceColumn column, qint32 id, qint64 value);
    /// Writes the changes, then reports the module (its receiver re-reads the module's row).
    void reportModuleWhenWritten(const QString& address, int state);

    /// Runs answer after delayMs (skipped when the site was loaded again meanwhile), then flushes.
    void later(int delayMs, std::function<void()> answer);
    void answerRelay(int relay, const QString& function);
    void answerInputMask(int input, const QString& function);
    void answerZrRelay(int relay, qint32 functionCode);
    void answerZrMask(int input, qint32 functionCode);
    /// The classic point a command acts on: an input (mask functions) or a relay index, -1 for none.
    struct ApiTarget {
        int point = -1;
        bool mask = false;
        QString function;
        QStringList addresses;
    };
    ApiTarget apiCallTarget(qint32 controllerNumber, const QString& command, qint16 pointNumber) const;

    so::db::Connection& db_;
    FieldOptions options_;
    AppLog* log_;
    ReportHistory* history_ = nullptr;
    QRandomGenerator rng_;
    SuperStatusBook book_;
    QVector<StateSink*> sinks_;

    QVector<Controller> controllers_;
    QHash<qint32, int> controllerById_;
    QVector<Input> inputs_;
    QHash<QString, int> inputByAddress_;
    QVector<int> alarmInputs_;  // inputs that are not a door's contact
    QVector<Relay> relays_;
    QHash<QString, int> relayByAddress_;
    QVector<Door> doors_;
    QVector<Reader> readers_;
    QVector<Port> ports_;
    QVector<int> threatIds_;

    QVector<ZrInput> zrInputs_;
    QHash<qint32, int> zrInputById_;
    QVector<ZrRelay> zrRelays_;
    QHash<qint32, int> zrRelayById_;
    QVector<ZrModule> zrModules_;
    QHash<qint32, ZrDoor> zrDoorById_;
    QHash<qint32, QVector<Keypad>> keypadsByReader_;
    QHash<qint32, QString> zrReaderAddress_;
    QVector<int> liveZrInputs_, liveZrRelays_, liveZrModules_;
    QVector<ZrController> zrControllers_;             // installed and on line when loaded
    QSet<QString> offlineZrControllers_;              // addresses taken off line by an outage
    QVector<int> auxRelays_, auxZrRelays_;            // relays that are no door's strike
    QHash<qint32, QVector<int>> inputsByController_;  // classic controller id -> input indexes

    QVector<Episode> episodes_;
    QSet<quint64> busy_;
    int abnormalPoints_ = 0;
    int abnormalTarget_ = 1;
    int outages_ = 0;
    int massMasks_ = 0;

    QVector<std::pair<int, Scenario>> scenarios_;  // cumulative weight, scenario
    int totalWeight_ = 0;

    /// Newer-line row changes not yet written: statement -> (device id -> value).
    QHash<QString, QHash<qint32, qint64>> pendingWrites_;

    std::unique_ptr<FieldWriter> writer_;
    QTimer tick_;
    QTimer flushTimer_;
    QElapsedTimer clock_;
    QElapsedTimer sinceStart_;
    double budget_ = 0.0;
    int generation_ = 0;
    qint64 reportsSent_ = 0;
    qint64 deliveries_ = 0;
};

}  // namespace sv
