#include "domain/Address.h"
#include "site/DemoSite.h"

#include "site/SiteSchema.h"
#include "site/SiteStatusText.h"
#include "site/SiteWriters.h"

#include <statusobject/Db.h>
#include <statusobject/GroupPoint.h>
#include <statusobject/Vocabulary.h>

#include <QDateTime>
#include <QHash>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace so::db {
namespace {

constexpr int kMaxPoints = 100000;
constexpr int kControllersPerLoop = 32;
constexpr int kZriiControllersPerSubnet = 32;
constexpr int kClassicDoorSlots = 8;
constexpr int kZriiDoors = 4;
constexpr int kDetailsObject = 10;  // the status viewer's object number in Profile_Details

// Point kinds (Status_Points.ObjectID), in the order groups list them.
using enum ObjectType;
constexpr ObjectType kKindOrder[] = {Door,     Input,      Relay,     Reader,        Controller,
                                     Pylon,    ServerPort, ExpInput,  ExpRelay,      ZR2Door,
                                     ZR2Input, ZR2Relay,   ZR2Reader, ZR2Controller, ZR2Module};

int kindRank(ObjectType kind) {
    return int(std::find(std::begin(kKindOrder), std::end(kKindOrder), kind) - std::begin(kKindOrder));
}

const char* const kPlaces[] = {
    "Front Entrance",   "Loading Dock", "Main Lobby",     "Server Room",      "Staff Entrance", "Mail Room",
    "Stairwell A",      "Stairwell B",  "Cafeteria",      "Roof Access",      "Fire Exit",      "Reception",
    "Records Room",     "Board Room",   "Pharmacy",       "Electrical Room",  "Garage Gate",    "Elevator Lobby",
    "Manager's Office", "Laboratory",   "Warehouse Door", "Visitor Entrance", "Cash Office",    "Archive"};
const char* const kAreas[] = {"Main Building",    "North Wing",     "South Wing",     "East Annex",
                              "West Annex",       "Warehouse",      "Parking Garage", "Data Center",
                              "Laboratory Block", "Administration", "Visitor Center", "Maintenance Shop"};
const char* const kSensors[] = {"Motion Detector",   "Glass Break",    "Panic Button", "Smoke Detector",
                                "Water Leak Sensor", "Window Contact", "Gate Loop",    "Vibration Sensor"};
const char* const kZoneSensors[] = {"Zone Contact",  "Fence Sensor",     "Tamper Switch",
                                    "Heat Detector", "Skylight Contact", "Shutter Contact"};
const char* const kOutputs[] = {"Siren",           "Strobe Light", "Lighting Circuit", "Gate Motor", "Camera Trigger",
                                "Elevator Enable", "Horn",         "Fan Shutdown"};
const char* const kZoneOutputs[] = {"Elevator Floor Enable", "Door Release", "Alarm Output", "Lighting Zone"};
const char* const kThreatLevels[] = {"Normal", "Low", "Guarded", "Elevated", "High", "Severe"};
const char* const kSectionGroups[] = {"All Doors",       "All Inputs", "All Relays", "All Readers",
                                      "All Controllers", "All Pylons", "All Ports",  "All Modules"};
const char* const kLayoutDetails[] = {"DockedWhere", "FrameType", "Height", "Left", "Top", "Width", "WindowState"};
const QString kObjectDefault = QStringLiteral("Use Object Default");
const QString kNoTwoPersonRule = QStringLiteral("{00000000-0000-0000-0000-000000000000}");

template <std::size_t N>
QString pick(QRandomGenerator& rng, const char* const (&names)[N]) {
    return QString::fromUtf8(names[rng.bounded(int(N))]);
}

/// A point as the status groups list it.
struct SitePoint {
    ObjectType kind;
    int id;
    QString name;
    int icon;
    QString address;
    int alternateFlag;
    bool offered;  // the catalogue of points that can be added to a group lists it
};

/// A server port that holds classic controllers.
struct Loop {
    int id = 0;
    QString code;   // "P01": the port's part of its own and its controllers' addresses
    QString style;  // "SNet" or "PNet"
    int controllers = 0;
    int pylons = 0;
};

/// A classic controller's hardware, by its position on the site.
struct ClassicShape {
    int doors;
    int panelType;
    int expInputRows;  // ExpInputs rows; those above nxinputs are configured but not fitted
    int nxinputs;
    int expRelayRows;
    std::array<int, 8> relayBoards;  // ef_reb1..8
    int allRelayBoards;              // ef_reb64
};

ClassicShape classicShape(int index) {
    ClassicShape shape{};
    shape.doors = index % 3 == 2 ? 6 : kClassicDoorSlots;
    // Panel type 3 (whose doors beyond the second show no lines) is the rare old panel.
    shape.panelType = index % 25 == 24 ? 3 : 1 + index % 2;
    switch (index % 4) {
    case 0:
        shape.expInputRows = 16;
        shape.nxinputs = 16;
        shape.expRelayRows = 8;
        shape.relayBoards[0] = 1;
        break;
    case 1:  // board 2 configured but not fitted: its relays are neither offered nor lit
        shape.expInputRows = 12;
        shape.nxinputs = 8;
        shape.expRelayRows = 16;
        shape.relayBoards[0] = 1;
        break;
    case 2:
        shape.expInputRows = 8;
        shape.nxinputs = 8;
        shape.expRelayRows = 8;
        shape.allRelayBoards = 1;
        break;
    default: break;
    }
    return shape;
}

class DemoSiteBuilder {
public:
    DemoSiteBuilder(const QSqlDatabase& db, const DemoSiteOptions& options)
        : w_(db), rng_(options.seed), options_(options), remaining_(options.points),
          baseTime_(QDate(2024, 5, 6), QTime(7, 30)) {}

    DemoSiteSummary build() {
        addThreatLevels();
        addDevices();
        addGroups();
        addOperators();
        addWorkstations();
        return summary_;
    }

private:
    // ---- budget and bookkeeping ---------------------------------------------------------------
    bool room(int points) const { return remaining_ >= points; }

    void record(ObjectType kind, int id, const QString& name, const QString& address, int alternateFlag = 0,
                bool offered = true, int icon = -1) {
        --remaining_;
        ++summary_.pointsByObjectId[objectTypeNumber(kind)];
        ++summary_.totalPoints;
        points_.append(
            {kind, id, name, icon < 0 ? kindListIcon(objectTypeNumber(kind)) : icon, address, alternateFlag, offered});
    }

    /// "Loading Dock", then "Loading Dock 2", "Loading Dock 3" ...
    QString uniqueName(const QString& base) {
        const int n = ++nameUses_[base];
        return n == 1 ? base : QStringLiteral("%1 %2").arg(base).arg(n);
    }

    QString timeStamp() {
        return baseTime_.addSecs(rng_.bounded(8 * 3600)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

    bool chance(int percent) { return int(rng_.bounded(100)) < percent; }
    bool perMille(int n) { return int(rng_.bounded(1000)) < n; }

    // ---- devices --------------------------------------------------------------------------------
    /// The build order puts one of every kind on the site early, so sites of about a hundred
    /// points hold them all; larger sites repeat the controller pattern until the points are used.
    void addDevices() {
        Loop* snet = loopFor(QStringLiteral("SNet"));
        if (snet)
            addClassicController(*snet);
        if (snet)
            addPylon(*snet);
        addZriiController();
        loopFor(QStringLiteral("PNet"));
        addPort(QStringLiteral("Dial-up Modem"), 4, QStringLiteral("SNet"), int(rng_.bounded(10)));
        addPort(QStringLiteral("CCTV Switcher"), 6, QStringLiteral("CCTV"));
        const QString dvr = addPort(QStringLiteral("DVR Recorder"), 7, QStringLiteral("DVR"));
        if (!dvr.isEmpty())
            w_.dvrConfig.insert({5001, dvr});
        const QString csr = addPort(QStringLiteral("Central Station Receiver"), 8, QStringLiteral("CSR"));
        if (!csr.isEmpty())
            w_.csrConfig.insert({6001, csr});

        // Three classic controllers (alternating loop styles) to one newer-line controller, a
        // communication box after every fifth controller.
        for (int step = 0; remaining_ > 0; ++step) {
            if (step % 4 == 3) {
                addZriiController();
            } else {
                Loop* loop = loopFor(step % 2 == 0 ? QStringLiteral("SNet") : QStringLiteral("PNet"));
                if (loop)
                    addClassicController(*loop);
                if (loop && step % 5 == 4)
                    addPylon(*loop);
            }
        }
    }

    /// Adds a port and its SuperStatus row; returns its address (empty when no points are left).
    QString addPort(const QString& name, int portType, const QString& style, int modemStatus = 0, int* id = nullptr) {
        if (!room(1))
            return {};
        const int portId = ++ids_.port;
        const QString address = QStringLiteral("\\\\PORT.P%1").arg(portId, 2, 10, QLatin1Char('0'));
        const int enabled = portId == 1 || chance(95) ? 1 : 0;
        const QString updated = timeStamp();
        w_.ports.insert({portId, name, address, portType, style, enabled, modemStatus, updated});
        w_.superStatus.insert({address, portId, int(StatusPort), QString::number(enabled), updated});
        record(ServerPort, portId, name, address, 0, true, portListIcon(style, portType));
        if (id)
            *id = portId;
        return address;
    }

    /// The loop of the given style with room for another controller, opened when needed.
    Loop* loopFor(const QString& style) {
        Loop& loop = style == QLatin1String("SNet") ? snetLoop_ : pnetLoop_;
        if (loop.id != 0 && loop.controllers < kControllersPerLoop)
            return &loop;
        int id = 0;
        const QString address =
            addPort(uniqueName(style + QStringLiteral(" Loop")), style == QLatin1String("SNet") ? 1 : 5, style, 0, &id);
        if (address.isEmpty())
            return nullptr;
        loop = Loop{id, address.mid(7), style, 0, 0};
        return &loop;
    }

    /// A communication box on a loop; every third one has a second box chained behind it.
    void addPylon(Loop& loop) {
        if (!room(1))
            return;
        const int number = ++loop.pylons;
        const QString address = QStringLiteral("\\\\PYLON.%1.%2").arg(loop.code).arg(number, 2, 10, QLatin1Char('0'));
        insertPylon(address, loop.id);
        if (number % 3 == 1 && room(1))
            insertPylon(address + QStringLiteral(".B001"), loop.id);
    }

    void insertPylon(const QString& address, int portId) {
        const int id = ++ids_.pylon;
        const QString name = uniqueName(QStringLiteral("Comm Box"));
        const int enabled = chance(95) ? 1 : 0;
        const QString updated = timeStamp();
        const QString revision = QStringLiteral("3.%1.%2").arg(rng_.bounded(4)).arg(rng_.bounded(10));
        w_.pylons.insert({id, name, address, portId, revision, enabled, updated});
        w_.superStatus.insert(
            {address, id, int(StatusPylon), enabled ? QStringLiteral("1") : QStringLiteral("0"), updated});
        record(Pylon, id, name, address);
    }

    void addClassicController(Loop& loop) {
        if (!room(1))
            return;
        const int index = classicCount_++;
        const ClassicShape shape = classicShape(index);
        const int id = ++ids_.controller;
        const int number = ++loop.controllers;
        const QString address =
            QStringLiteral("\\\\%1.%2.C%3").arg(loop.style.toUpper(), loop.code).arg(number, 5, 10, QLatin1Char('0'));
        const QString area = pick(rng_, kAreas);
        const int installed = index == 0 || chance(99) ? 1 : 0;
        const QString name = uniqueName(area + QStringLiteral(" Panel"));
        w_.controllers.insert({id, name, address, loop.id, installed});
        record(Controller, id, name, address);
        const auto& b = shape.relayBoards;
        w_.panelSetups.insert(
            {id, shape.nxinputs, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], shape.allRelayBoards});

        normallyOpenInputs_.clear();
        normallyOpenExpInputs_.clear();
        invertedDoorRelays_.clear();
        int slot = 1;
        for (; slot <= shape.doors && room(4); ++slot)
            addClassicDoor(id, address, slot, shape.panelType);
        for (; slot <= kClassicDoorSlots; ++slot) {
            if (room(1))
                addStandAloneInput(id, address, slot, shape.panelType);
            if (room(1))
                addStandAloneRelay(id, address, slot);
        }
        for (int n = 1; n <= shape.expInputRows && room(1); ++n)
            addExpInput(id, address, n, n <= shape.nxinputs);
        for (int n = 1; n <= shape.expRelayRows && room(1); ++n) {
            const bool fitted = shape.allRelayBoards || shape.relayBoards[(n - 1) / 8];
            addExpRelay(id, address, n, fitted);
        }
        addClassicStatus(id, address, installed, index == 0);
    }

    void addClassicDoor(int controllerId, const QString& controller, int n, int panelType) {
        const QString door = uniqueName(pick(rng_, kPlaces));
        const QString code = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        const int normalyOpen = chance(5) ? -1 : 0;

        const int inputId = ++ids_.input;
        const QString inputAddress = controller + QStringLiteral(".BI") + code;
        const QString inputName = door + QStringLiteral(" Contact");
        w_.inputs.insert({inputId, inputName, inputAddress, controllerId, n, 1 + (n + controllerId) % 3,
                          chance(2) ? 1 : 0, normalyOpen, panelType, 1});
        record(Input, inputId, inputName, inputAddress, -normalyOpen);
        normallyOpenInputs_.insert(n, normalyOpen != 0);

        const int outputId = ++ids_.output;
        const QString relayAddress = controller + QStringLiteral(".BR") + code;
        const QString relayName = door + QStringLiteral(" Strike");
        // A few strikes are energised to lock (fail-safe): their resting state is on.
        const int inverted = chance(3) ? 1 : 0;
        w_.outputs.insert({outputId, relayName, relayAddress, controllerId, n, chance(10) ? 1 : 0, inverted});
        invertedDoorRelays_.insert(n, inverted != 0);
        record(Relay, outputId, relayName, relayAddress);

        const int readerId = ++ids_.reader;
        const QString readerAddress = controller + QStringLiteral(".SM") + code;
        const QString readerName = door + QStringLiteral(" Reader");
        w_.readers.insert({readerId, readerName, readerAddress, controllerId, n});
        record(Reader, readerId, readerName, readerAddress);

        const int doorId = ++ids_.door;
        const QString doorAddress = controller + QStringLiteral(".DR") + code;
        w_.doors.insert({doorId, door, doorAddress, controllerId, n, n, n, 1});
        record(Door, doorId, door, doorAddress, -normalyOpen);
    }

    void addStandAloneInput(int controllerId, const QString& controller, int n, int panelType) {
        const int id = ++ids_.input;
        const QString name = uniqueName(pick(rng_, kSensors));
        const QString address = controller + QStringLiteral(".BI%1").arg(n, 2, 10, QLatin1Char('0'));
        const int normalyOpen = chance(20) ? -1 : 0;
        w_.inputs.insert({id, name, address, controllerId, n, 1 + n % 3, chance(2) ? 1 : 0, normalyOpen, panelType, 0});
        normallyOpenInputs_.insert(n, normalyOpen != 0);
        record(Input, id, name, address, -normalyOpen);
    }

    void addStandAloneRelay(int controllerId, const QString& controller, int n) {
        const int id = ++ids_.output;
        const QString name = uniqueName(pick(rng_, kOutputs));
        const QString address = controller + QStringLiteral(".BR%1").arg(n, 2, 10, QLatin1Char('0'));
        w_.outputs.insert({id, name, address, controllerId, n, 0, chance(5) ? 1 : 0});
        record(Relay, id, name, address);
    }

    void addExpInput(int controllerId, const QString& controller, int n, bool fitted) {
        const int id = ++ids_.expInput;
        const QString name = uniqueName(pick(rng_, kZoneSensors));
        const QString address = controller + QStringLiteral(".XI%1").arg(n, 2, 10, QLatin1Char('0'));
        const int normalOpen = chance(10) ? -1 : 0;
        w_.expInputs.insert({id, name, address, controllerId, n, 1 + n % 2, chance(2) ? 1 : 0, normalOpen});
        normallyOpenExpInputs_.insert(n, normalOpen != 0);
        record(ExpInput, id, name, address, -normalOpen, fitted);
    }

    void addExpRelay(int controllerId, const QString& controller, int n, bool fitted) {
        const int id = ++ids_.expOutput;
        const QString name = uniqueName(pick(rng_, kZoneOutputs));
        const QString address = controller + QStringLiteral(".XR%1").arg(n, 2, 10, QLatin1Char('0'));
        w_.expOutputs.insert({id, name, address, controllerId, n, chance(5) ? 1 : 0});
        record(ExpRelay, id, name, address, 0, fitted);
    }

    // ---- classic live status ------------------------------------------------------------------
    /// Entries of inputs firstPoint..lastPoint: line bits, alarm (65 set / 66 cleared), mask
    /// (67 set / 68 cleared) with the mask source as value and field 2. An input rests with its
    /// contact (line bit 0) set when it is normally open; about one in a hundred is active, half of
    /// those in alarm, and about one in a hundred is masked.
    QVector<StatusEntry> inputEntries(int firstPoint, int lastPoint, const QHash<int, quint32>& forcedMasks,
                                      const QHash<int, bool>& normallyOpen) {
        static constexpr quint32 kMaskSources[] = {1, 2, 4, 8, 64, 128};
        QVector<StatusEntry> entries;
        for (int n = firstPoint; n <= lastPoint; ++n) {
            const bool active = perMille(5);
            const int lines = normallyOpen.value(n) != active ? 1 : 0;
            const bool alarm = active && chance(50);
            quint32 mask = perMille(5) ? kMaskSources[rng_.bounded(6)] : 0;
            mask = forcedMasks.value(n, mask);
            entries.append(
                {{lines, alarm ? state::AlarmSet : state::AlarmCleared, mask ? state::MaskSet : state::MaskCleared},
                 QString::number(mask),
                 mask});
        }
        return entries;
    }

    QVector<StatusEntry> voltageEntries(int firstPoint, int lastPoint) {
        QVector<StatusEntry> entries;
        for (int n = firstPoint; n <= lastPoint; ++n)
            entries.append({{90 + int(rng_.bounded(80))}, {}, 0});
        return entries;
    }

    void addClassicStatus(int id, const QString& address, bool installed, bool firstController) {
        // The first controller always shows masked points: stand-alone or door input 2 masked by
        // time zone, door input 3 by its door relay, expansion input 1 by unlock.
        const QHash<int, quint32> inputMasks =
            firstController ? QHash<int, quint32>{{2, 1}, {3, 64}} : QHash<int, quint32>{};
        const QHash<int, quint32> expMasks = firstController ? QHash<int, quint32>{{1, 4}} : QHash<int, quint32>{};
        for (int type : controllerStatusTypes()) {
            QString text;
            switch (type) {
            case StatusRelays: {
                QVector<StatusEntry> entries;
                // Only the relay state: a replayed report passes no value, so a stored detail
                // code (70) would blank the row's relay details. A door's strike rests in its
                // normal state; other relays (lights, sirens ...) are on now and then.
                for (int n = 1; n <= 8; ++n) {
                    const auto strike = invertedDoorRelays_.constFind(n);
                    const bool on = strike != invertedDoorRelays_.constEnd() ? *strike : chance(10);
                    entries.append({{on ? 1 : 0}, on ? QStringLiteral("2") : QStringLiteral("0"), 0});
                }
                text = joinStatusEntries(entries);
                break;
            }
            case StatusExpRelays: {
                QVector<StatusEntry> entries;
                for (int n = 1; n <= 64; ++n)
                    entries.append({{chance(8) ? 1 : 0}, QStringLiteral("0"), 0});
                text = joinStatusEntries(entries);
                break;
            }
            case StatusReaders: {
                QVector<StatusEntry> entries;
                for (int n = 1; n <= 16; ++n) {
                    if (n > kClassicDoorSlots || !installed) {
                        entries.append({{0}, {}, 0});
                        continue;
                    }
                    entries.append({{1, perMille(5) ? 2 : 3, perMille(5) ? 4 : 5}, {}, 0});
                }
                text = joinStatusEntries(entries);
                break;
            }
            case StatusController:
            case StatusControllerLink:
                text = joinStatusEntries({{controllerCodes(installed, type == StatusController), {}, 0}});
                break;
            case StatusThreatLevels: {
                QVector<int> levels;
                for (int n = 1; n <= 16; ++n)
                    levels.append(chance(6) ? 1 + int(rng_.bounded(5)) : 0);
                if (firstController)
                    levels[1] = 3;
                text = joinThreatLevels(levels);
                break;
            }
            case StatusControllerCodes: text = joinCodes(controllerCodes(installed, true)); break;
            case StatusInputVoltages:
            case StatusExpVoltages1to16:
            case StatusExpVoltages17to32: {
                const StatusPointRange range = *statusPointRange(type);
                text = joinStatusEntries(voltageEntries(range.firstPoint, range.lastPoint));
                break;
            }
            default: {  // the input types 7, 8, 9, 14, 15
                const StatusPointRange range = *statusPointRange(type);
                const bool base = type == StatusInputs;
                text = joinStatusEntries(inputEntries(range.firstPoint, range.lastPoint, base ? inputMasks : expMasks,
                                                      base ? normallyOpenInputs_ : normallyOpenExpInputs_));
                break;
            }
            }
            w_.superStatus.insert({address, id, type, text, timeStamp()});
        }
    }

    /// A controller's own condition codes: on line, enclosure, AC power, keypad mode, memory
    /// battery, printers, no tamper pending, terminal, UPS; a fault now and then. An uninstalled
    /// controller reports 0.
    QVector<int> controllerCodes(bool installed, bool full) {
        if (!installed)
            return {0};
        if (!full)
            return {1};
        return {1, chance(2) ? 3 : 2, chance(1) ? 5 : 4, 12, chance(1) ? 15 : 14, 16, 18, 23, 26, chance(1) ? 31 : 30};
    }

    // ---- newer line -----------------------------------------------------------------------------
    void addZriiController() {
        if (!room(1))
            return;
        const int index = zriiCount_++;
        const int id = ++ids_.zrController;
        const QString address = QStringLiteral("\\\\ZRII.S%1.C%2")
                                    .arg(index / kZriiControllersPerSubnet + 1, 2, 10, QLatin1Char('0'))
                                    .arg(index % kZriiControllersPerSubnet + 1, 3, 10, QLatin1Char('0'));
        const QString name = uniqueName(pick(rng_, kAreas) + QStringLiteral(" Controller"));
        const int online = index == 0 || chance(99) ? 1 : 0;
        const int installed = index == 0 || chance(99) ? 1 : 0;
        w_.zrControllers.insert({id, name, address, installed, online});
        record(ZR2Controller, id, name, address);

        ZriiController c{id, address, 5, 1};
        for (int n = 1; n <= kZriiDoors && room(n % 2 == 0 ? 6 : 5); ++n)
            addZriiDoor(c, n);
        for (int i = 0; i < 4 && room(1); ++i) {
            const QString sensor = uniqueName(pick(rng_, kSensors));
            const int normallyClosed = chance(20) ? 0 : -1;
            // The first controller's first sensor is always masked, so the masked list has a
            // newer-line entry.
            addZriiInput(c, c.nextInput++, sensor, normallyClosed, index == 0 && i == 0);
        }
        for (int i = 1; i <= 4 && room(1); ++i)
            addZriiAuxRelay(c, i);
        static const std::pair<int, const char*> kModules[] = {
            {1, "Main Board"}, {3, "Input Module"}, {4, "Output Module"}};
        for (const auto& [subType, label] : kModules) {
            if (!room(1))
                break;
            addZriiModule(c, name + QLatin1Char(' ') + QLatin1String(label), subType);
        }
    }

    struct ZriiController {
        int id;
        QString address;
        int nextInput;  // inputs 1-4 are the doors' contacts, exit buttons and sensors follow
        int nextModule;
    };

    /// Door n: contact BI n, strike BR n, reader RL n, keypad module and keypad; even doors also
    /// get an exit button input.
    void addZriiDoor(ZriiController& c, int n) {
        const QString code = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        const QString door = uniqueName(pick(rng_, kPlaces));
        const int doorId = ++ids_.zrDoor;
        const QString twoPerson = chance(12) ? guid() : kNoTwoPersonRule;
        w_.zrDoors.insert({doorId, door, c.address + QStringLiteral(".DR") + code, c.id, twoPerson, chance(2) ? 1 : 0});
        record(ZR2Door, doorId, door, c.address + QStringLiteral(".DR") + code);

        const int contact = addZriiInput(c, n, door + QStringLiteral(" Contact"), -1, false);
        w_.zrInputsInDoors.insert({doorId, contact});
        if (n % 2 == 0) {
            const int exitButton = addZriiInput(c, c.nextInput++, door + QStringLiteral(" Exit Button"), 0, false);
            w_.zrInputsInDoors.insert({doorId, exitButton});
        }

        const int relayId = ++ids_.zrRelay;
        const QString relayName = door + QStringLiteral(" Strike");
        const QString relayAddress = c.address + QStringLiteral(".BR") + code;
        // The strike rests in its normal state: not energised.
        w_.zrRelays.insert({relayId, relayName, relayAddress, c.id, n, 1, 0, 0, 8});
        w_.zrRelaysInDoors.insert({doorId, relayId});
        record(ZR2Relay, relayId, relayName, relayAddress, 0, false);

        const int readerId = ++ids_.zrReader;
        const QString readerName = door + QStringLiteral(" Reader");
        const QString readerAddress = c.address + QStringLiteral(".RL") + code;
        w_.zrReaders.insert({readerId, readerName, readerAddress, c.id, chance(8) ? 1 + int(rng_.bounded(5)) : 0});
        w_.zrReadersInDoors.insert({doorId, readerId});
        record(ZR2Reader, readerId, readerName, readerAddress);

        const int moduleId = addZriiModule(c, door + QStringLiteral(" Keypad Module"), 8);
        const int keypadId = ++ids_.zrKeypad;
        w_.zrKeypads.insert(
            {keypadId, moduleId, c.address + QStringLiteral(".KP") + code, perMille(5) ? 1 : 0, perMille(5) ? 1 : 0});
        w_.zrKeypadsInReader.insert({readerId, keypadId});
    }

    int addZriiInput(ZriiController& c, int number, const QString& name, int normallyClosed, bool forceMask) {
        static constexpr quint32 kMaskSources[] = {1, 2, 4, 8, 16, 32, 128};
        const int id = ++ids_.zrInput;
        const QString address = c.address + QStringLiteral(".BI%1").arg(number, 2, 10, QLatin1Char('0'));
        const int lineModule = 1 + int(rng_.bounded(3));
        qint64 contact = 0;
        // A line rests at "X" (0x12); "//" (0x11) is the active state the window reads as an alarm.
        for (int line = 0; line < lineModule; ++line) {
            int state = 0x12;
            if (line == 0 && perMille(5))
                state = 0x11;
            else if (perMille(5))
                state = chance(50) ? 0x21 : 0x31;
            contact |= qint64(state) << (8 * line);
        }
        const quint32 mask = forceMask ? 2 : (perMille(5) ? kMaskSources[rng_.bounded(7)] : 0);
        w_.zrInputs.insert(
            {id, name, address, c.id, number, 0, chance(2) ? 1 : 0, normallyClosed, lineModule, mask, contact});
        record(ZR2Input, id, name, address, normallyClosed ? 0 : 1);
        return id;
    }

    void addZriiAuxRelay(ZriiController& c, int n) {
        const int id = ++ids_.zrRelay;
        const QString name = uniqueName(pick(rng_, kOutputs));
        const QString address = c.address + QStringLiteral(".VR%1").arg(n, 2, 10, QLatin1Char('0'));
        const int energized = chance(10) ? 1 : 0;
        w_.zrRelays.insert({id, name, address, c.id, 4 + n, n % 2 ? 2 : 4, 0, energized, energized ? 1024 : 2});
        record(ZR2Relay, id, name, address);
    }

    /// Keypad modules (8) and main boards (1) are not offered for groups; input (3) and output
    /// (4) modules are.
    int addZriiModule(ZriiController& c, const QString& name, int subType) {
        const int id = ++ids_.zrModule;
        const QString address = c.address + QStringLiteral(".MD%1").arg(c.nextModule++, 2, 10, QLatin1Char('0'));
        w_.zrModules.insert({id, name, address, c.id, subType, 1, perMille(995) ? 1 : 0, perMille(5) ? 1 : 0});
        record(ZR2Module, id, name, address, 0, subType != 8 && subType != 1 && subType != 2);
        return id;
    }

    QString guid() {
        return QStringLiteral("{%1-%2-%3-%4-%5%6}")
            .arg(rng_.generate(), 8, 16, QLatin1Char('0'))
            .arg(rng_.bounded(0x10000), 4, 16, QLatin1Char('0'))
            .arg(rng_.bounded(0x10000), 4, 16, QLatin1Char('0'))
            .arg(rng_.bounded(0x10000), 4, 16, QLatin1Char('0'))
            .arg(rng_.bounded(0x10000), 4, 16, QLatin1Char('0'))
            .arg(rng_.generate(), 8, 16, QLatin1Char('0'))
            .toUpper();
    }

    // ---- reference data, groups, people ---------------------------------------------------------
    void addThreatLevels() {
        int id = 0;
        for (const char* name : kThreatLevels)
            w_.threatLevels.insert({id++, QString::fromUtf8(name)});
    }

    int addGroup(const QString& name, QVector<const SitePoint*> members) {
        if (members.isEmpty())
            return 0;
        std::stable_sort(members.begin(), members.end(),
                         [](const SitePoint* a, const SitePoint* b) { return kindRank(a->kind) < kindRank(b->kind); });
        const int groupId = ++ids_.group;
        w_.groups.insert({groupId, name, 1});
        for (const SitePoint* p : members)
            w_.points.insert(
                {groupId, objectTypeNumber(p->kind), p->id, p->name, p->icon, p->address, p->alternateFlag});
        return groupId;
    }

    void addGroups() {
        QVector<const SitePoint*> small;
        QHash<int, int> takenOfKind;
        std::array<QVector<const SitePoint*>, 8> sections;
        QVector<const SitePoint*> all;
        for (const SitePoint& p : points_) {
            all.append(&p);
            if (!p.offered)
                continue;
            sections[std::size_t(sectionOfObjectType(objectTypeNumber(p.kind)))].append(&p);
            if (takenOfKind[objectTypeNumber(p.kind)]++ < 2)
                small.append(&p);
        }
        summary_.smallGroupId = addGroup(QStringLiteral("Lobby and Entrances"), small);
        for (int s = 0; s < 8; ++s)
            summary_.sectionGroupIds[s] = addGroup(QString::fromUtf8(kSectionGroups[s]), sections[s]);
        summary_.siteGroupId = addGroup(QStringLiteral("Entire Site"), all);
    }

    /// Administrators may do everything; guards are kept from one door at workstation 1; viewers
    /// may not send device commands (permission 63), acknowledge alarms (64) or shelve points (65)
    /// and see only the small group. Each demo operator's password is "<login>-demo" (hashed once
    /// with libsodium's interactive limits, so creating a demo site costs no hashing).
    void addOperators() {
        struct Person {
            const char* login;
            const char* fullName;
            const char* group;
            const char* passwordHash;
        };
        static const Person kPeople[] = {
            {"admin", "Site Administrator", "Administrators",
             "$argon2id$v=19$m=65536,t=2,p=1$2K6DPkiMgKcOt/IKAZpy4A$Ut8cIS9j4R1dTdIULJbL+RSbZC7tB8fvzxZ381klSgs"},
            {"mlee", "Morgan Lee", "Guards",
             "$argon2id$v=19$m=65536,t=2,p=1$OblI18fJid+sC93lUKrl0w$WQ4ptJCyvhZyMviu1h+oLKLEGi7W/JytIjQ+L+rO7tI"},
            {"akim", "Alex Kim", "Viewers",
             "$argon2id$v=19$m=65536,t=2,p=1$MYK9L1jOD8fjapi97/Nsbg$A/89SsaiD94uZpy5ZALl3FskCP+DfV6IT3/10aLdSJc"}};
        int id = 0;
        for (const Person& person : kPeople) {
            ++id;
            w_.operators.insert({id, QString::fromUtf8(person.login), QString::fromUtf8(person.fullName), 1});
            w_.operatorPasswords.insert({id, QString::fromLatin1(person.passwordHash)});
            w_.operatorGroups.insert({id, QString::fromUtf8(person.group)});
            w_.operatorsToGroups.insert({id, id});
        }
        summary_.adminOperatorId = 1;
        summary_.boundedOperatorId = 2;
        summary_.restrictedOperatorId = 3;

        for (int group = 1; group <= 3; ++group)
            w_.permissions.insert({group, 10, 0, 1});
        for (const int denied : {63, 64, 65})
            w_.permissions.insert({3, 10, denied, 0});
        w_.permissions.insert({1, 14, 0, 1});
        w_.permissions.insert({2, 14, 0, 1});
        if (summary_.smallGroupId)
            w_.permissions.insert({3, 14, summary_.smallGroupId, 1});

        const auto door =
            std::find_if(points_.begin(), points_.end(), [](const SitePoint& p) { return p.kind == Door; });
        summary_.boundaryAddress = door != points_.end() ? door->address : points_.value(0).address;
        if (!summary_.boundaryAddress.isEmpty())
            w_.boundaries.insert({summary_.boundaryAddress, 21, 1, 2});
    }

    void addWorkstations() {
        const int doorsGroup = summary_.sectionGroupIds[0] ? summary_.sectionGroupIds[0] : summary_.smallGroupId;
        addProfile(1, QStringLiteral("Operator Desk"), summary_.smallGroupId);
        addProfile(2, QStringLiteral("Control Room"), doorsGroup);
        summary_.defaultProfileId = 1;
        summary_.profileIds = {1, 2};

        summary_.secondComputerName = options_.computerName.compare(QLatin1String("WS2"), Qt::CaseInsensitive) == 0
                                          ? QStringLiteral("WS3")
                                          : QStringLiteral("WS2");
        w_.workstations.insert({1, options_.computerName, 1});
        w_.workstations.insert({2, summary_.secondComputerName, 2});
        summary_.workstationId = 1;
        summary_.secondWorkstationId = 2;
    }

    /// A profile whose window opens with the given group, with every layout detail and the eight
    /// column layouts at the defaults.
    void addProfile(int id, const QString& name, int statusGroupId) {
        w_.profiles.insert({id, name, statusGroupId});
        for (const char* detail : kLayoutDetails)
            w_.profileDetails.insert({id, kDetailsObject, QString::fromUtf8(detail), kObjectDefault});
        for (Section section : kAllSections)
            w_.profileDetails.insert(
                {id, kDetailsObject, QStringLiteral("ColumnHeaderPos%1").arg(sectionIndex(section)), kObjectDefault});
    }

    struct Ids {
        int port = 0, pylon = 0, controller = 0, input = 0, output = 0, reader = 0, door = 0, expInput = 0,
            expOutput = 0, zrController = 0, zrDoor = 0, zrInput = 0, zrRelay = 0, zrReader = 0, zrModule = 0,
            zrKeypad = 0, group = 0;
    };

    SiteWriters w_;
    QRandomGenerator rng_;
    DemoSiteOptions options_;
    int remaining_;
    QDateTime baseTime_;
    Ids ids_;
    Loop snetLoop_;
    Loop pnetLoop_;
    int classicCount_ = 0;
    int zriiCount_ = 0;
    QHash<QString, int> nameUses_;
    /// The controller being built: which inputs are normally open and which door strikes are
    /// inverted, by point number, so its stored states show them at rest.
    QHash<int, bool> normallyOpenInputs_;
    QHash<int, bool> normallyOpenExpInputs_;
    QHash<int, bool> invertedDoorRelays_;
    QVector<SitePoint> points_;
    DemoSiteSummary summary_;
};

void requireEmptySite(const QSqlDatabase& db) {
    const QString sql = QStringLiteral(
        "SELECT (SELECT count(*) FROM ServerPorts) + (SELECT count(*) FROM Controllers) + "
        "(SELECT count(*) FROM ZRII_Controllers) + (SELECT count(*) FROM Status_Groups) + "
        "(SELECT count(*) FROM Operators)");
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        throw DbError(QStringLiteral("Reading the site database failed"), sql, query.lastError().text());
    if (query.value(0).toLongLong() != 0)
        throw DbError(QStringLiteral("The demo site can only be generated into an empty site database"));
}

}  // namespace

DemoSiteSummary generateDemoSite(Connection& connection, const DemoSiteOptions& options) {
    if (options.points < 1 || options.points > kMaxPoints)
        throw DbError(QStringLiteral("A demo site holds 1 to %1 points, not %2").arg(kMaxPoints).arg(options.points));
    createSiteSchema(connection);
    const QSqlDatabase db = QSqlDatabase::database(so::db::qtConnectionName(connection), false);
    requireEmptySite(db);
    Transaction transaction(connection);
    DemoSiteSummary summary = DemoSiteBuilder(db, options).build();
    transaction.commit();
    return summary;
}

}  // namespace so::db
