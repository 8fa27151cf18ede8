// A storm of state reports with the mix of the simulated field's traffic, on the points a window
// shows.
//
// The mix follows the field's scenarios and weights: door traffic (the strike relay energised,
// then the door's input; closing reverses it), door alarms (held or forced open), input alarms,
// inputs masked by time zone, relays switching, controller power and enclosure conditions, reader
// tamper, reader and controller threat levels, server ports, and on the newer line input contact
// and mask changes, relays switching and modules (on line / off line, which re-reads the module's
// row, and enclosure tamper). Each point's state alternates, so every report rewrites cells. The
// storm is deterministic for a given window.
//
// Every report also names the rows it reaches (its own section and, for door points, the door's
// row), so a baseline can find the same rows by scanning the Address column.
#pragma once

#include "domain/Address.h"
#include "status/StatusBoard.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>

#include <QHash>
#include <QString>
#include <QVector>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace so::bench {

/// Copies of texts laid out one after another, as a host's decoded messages sit in its buffers:
/// each copy refers to the arena's characters, which never move.
class TextArena {
public:
    QString keep(const QString& text) {
        const size_t length = size_t(text.size());
        if (chunks_.empty() || chunks_.back().size() + length > chunks_.back().capacity()) {
            chunks_.emplace_back();
            chunks_.back().reserve(std::max(length, kChunk));
        }
        std::u16string& chunk = chunks_.back();
        const char16_t* at = chunk.data() + chunk.size();
        chunk.append(reinterpret_cast<const char16_t*>(text.constData()), length);
        return QString::fromRawData(reinterpret_cast<const QChar*>(at), text.size());
    }

private:
    static constexpr size_t kChunk = size_t(1) << 16;
    std::vector<std::u16string> chunks_;  // each filled within the capacity it was given
};

struct StormReport {
    QString deviceType;
    QString address;
    quint8 state = 0;
    QString value;
    /// The section of the point's own row, and the door row's address when the report reaches one.
    int section = -1;
    QString doorAddress;
};

/// The reports with their addresses copied into `arena` in report order, as a host holds the
/// addresses it has just decoded (the built storm shares them with the grid's own texts).
inline QVector<StormReport> withDecodedAddresses(QVector<StormReport> reports, TextArena& arena) {
    for (StormReport& r : reports)
        r.address = arena.keep(r.address);
    return reports;
}

class StormBuilder {
public:
    StormBuilder(StatusWindow& window, db::Connection& db) : window_(window) {
        collectPoints();
        for (db::Recordset rs = db.query(QStringLiteral("SELECT ThreatID FROM ThreatLevels ORDER BY ThreatID"));
             !rs.eof(); rs.moveNext())
            threatIds_.append(rs.field(0).toInt());
        if (threatIds_.isEmpty())
            threatIds_.append(1);
    }

    /// `count` reports of the field's mix.
    QVector<StormReport> build(int count) {
        struct Weighted {
            int weight;
            bool possible;
            void (StormBuilder::*run)();
        };
        const Weighted scenarios[] = {
            {30, !doors_.isEmpty(), &StormBuilder::doorTraffic},
            {5, !doors_.isEmpty(), &StormBuilder::doorAlarm},
            {14, !inputs_.isEmpty(), &StormBuilder::inputAlarm},
            {4, !inputs_.isEmpty(), &StormBuilder::timeZoneMask},
            {10, !relays_.isEmpty(), &StormBuilder::relaySwitch},
            {2, !controllers_.isEmpty(), &StormBuilder::controllerPower},
            {2, !controllers_.isEmpty(), &StormBuilder::controllerTamper},
            {3, !readers_.isEmpty(), &StormBuilder::readerTamper},
            {1, !readers_.isEmpty() && !controllers_.isEmpty(), &StormBuilder::threatLevel},
            {1, !ports_.isEmpty(), &StormBuilder::portLink},
            {8, !zrInputs_.isEmpty(), &StormBuilder::zrInputChange},
            {2, !zrInputs_.isEmpty(), &StormBuilder::zrMask},
            {4, !zrRelays_.isEmpty(), &StormBuilder::zrRelaySwitch},
            {1, !zrModules_.isEmpty(), &StormBuilder::zrModule},
        };
        int total = 0;
        for (const Weighted& s : scenarios)
            total += s.possible ? s.weight : 0;
        out_.clear();
        out_.reserve(count + 4);
        while (total > 0 && out_.size() < count) {
            int pickValue = pick(total);
            for (const Weighted& s : scenarios) {
                if (!s.possible)
                    continue;
                if (pickValue < s.weight) {
                    (this->*s.run)();
                    break;
                }
                pickValue -= s.weight;
            }
        }
        out_.resize(std::min<qsizetype>(out_.size(), count));
        return out_;
    }

    /// The reports that neither change a mask (the masked list follows those) nor make the
    /// component read the database (threat level names, a newer-line module's row): the path
    /// nearly every report of a storm takes.
    static QVector<StormReport> commonPath(const QVector<StormReport>& reports) {
        QVector<StormReport> out;
        for (const StormReport& r : reports) {
            const bool mask =
                r.state == 67 || r.state == 68 || (r.deviceType == QLatin1String("ZR2_INPUT") && r.state == 0);
            const bool threat = r.deviceType.endsWith(QLatin1String("THREAT_LEVEL"));
            const bool moduleRow = r.deviceType == QLatin1String("ZR2_MODULE") && r.state <= 1;
            if (!mask && !threat && !moduleRow)
                out.append(r);
        }
        return out;
    }

private:
    struct ClassicDoor {
        QString input;
        QString relay;
    };

    void collectPoints() {
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& grid = window_.board().sections().grid(section);
            const int column = grid.columnIndex(col::Address);
            if (column < 0)
                continue;
            for (int row = 1; row <= grid.rowCount(); ++row) {
                const QString& address = grid.text(row, column);
                const bool newer = isNewerLineAddress(address);
                switch (section) {
                case 0:
                    if (!newer && address.contains(QLatin1String(".DR")))
                        doors_.append({QString(address).replace(QStringLiteral(".DR"), QStringLiteral(".BI")),
                                       QString(address).replace(QStringLiteral(".DR"), QStringLiteral(".BR"))});
                    break;
                case 1: (newer ? zrInputs_ : inputs_).append(address); break;
                case 2: (newer ? zrRelays_ : relays_).append(address); break;
                case 3:
                    if (!newer)
                        readers_.append(address);
                    break;
                case 4:
                    if (!newer)
                        controllers_.append(address);
                    break;
                case 6: ports_.append(address); break;
                case 7: zrModules_.append(address); break;
                default: break;
                }
            }
        }
    }

    int pick(int count) { return int(std::uniform_int_distribution<int>(0, count - 1)(rng_)); }
    bool chance(int percent) { return pick(100) < percent; }
    bool flip(const QString& key) {
        bool& on = toggles_[key];
        on = !on;
        return on;
    }

    void report(const QString& deviceType, const QString& address, int state, const QString& value = {}) {
        StormReport r{deviceType, address, quint8(state), value, -1, {}};
        if (const DeviceTypeRoute* route = deviceTypeRoute(deviceType)) {
            r.section = sectionIndex(route->section);
            if (!route->doorKindCode.isEmpty() &&
                (route->doorOnlyIfAddressContains.isEmpty() || address.contains(route->doorOnlyIfAddressContains)))
                r.doorAddress = ConvertToDoorAddress(address);
        }
        out_.append(r);
    }

    static QString inputWord(const QString& address) {
        return address.contains(QLatin1String(".XI")) ? QStringLiteral("EXP_INPUT") : QStringLiteral("STD_INPUT");
    }
    static QString relayWord(const QString& address) {
        return address.contains(QLatin1String(".XR")) ? QStringLiteral("EXP_RELAY") : QStringLiteral("STD_RELAY");
    }

    void doorTraffic() {
        const ClassicDoor& d = doors_[pick(int(doors_.size()))];
        const bool opening = flip(d.input);
        if (opening) {
            if (chance(70)) {
                toggles_[d.relay] = true;
                report(QStringLiteral("STD_RELAY"), d.relay, 1);
            }
            report(QStringLiteral("STD_INPUT"), d.input, 1);
        } else {
            report(QStringLiteral("STD_INPUT"), d.input, 0);
            if (toggles_.value(d.relay)) {
                toggles_[d.relay] = false;
                report(QStringLiteral("STD_RELAY"), d.relay, 0);
            }
        }
    }

    void doorAlarm() {
        const ClassicDoor& d = doors_[pick(int(doors_.size()))];
        const bool alarm = flip(d.input + QStringLiteral("#alarm"));
        report(QStringLiteral("STD_INPUT"), d.input, alarm ? 1 : 0);
        report(QStringLiteral("STD_INPUT"), d.input, alarm ? 65 : 66);
    }

    void inputAlarm() {
        const QString& in = inputs_[pick(int(inputs_.size()))];
        const bool active = flip(in);
        report(inputWord(in), in, active ? 1 : 0);
        report(inputWord(in), in, active ? 65 : 66);
    }

    void timeZoneMask() {
        const QString& in = inputs_[pick(int(inputs_.size()))];
        const bool masked = flip(in + QStringLiteral("#mask"));
        report(inputWord(in), in, masked ? 67 : 68, masked ? QStringLiteral("1") : QStringLiteral("0"));
    }

    void relaySwitch() {
        const QString& r = relays_[pick(int(relays_.size()))];
        report(relayWord(r), r, flip(r) ? 1 : 0);
    }

    void controllerPower() {
        static constexpr int kPairs[][2] = {{4, 5}, {14, 15}, {30, 31}};
        const QString& c = controllers_[pick(int(controllers_.size()))];
        const int which = pick(3);
        const bool fault = flip(c + QString::number(which));
        report(QStringLiteral("CONTROLLER"), c, kPairs[which][fault ? 1 : 0]);
    }

    void controllerTamper() {
        const QString& c = controllers_[pick(int(controllers_.size()))];
        report(QStringLiteral("CONTROLLER"), c, flip(c + QStringLiteral("#tamper")) ? 3 : 2);
    }

    void readerTamper() {
        const QString& r = readers_[pick(int(readers_.size()))];
        const bool physical = chance(50);
        const bool tampered = flip(r + (physical ? QStringLiteral("#p") : QStringLiteral("#c")));
        report(QStringLiteral("READER"), r, physical ? (tampered ? 2 : 3) : (tampered ? 4 : 5));
    }

    void threatLevel() {
        const QString& r = readers_[pick(int(readers_.size()))];
        const int level = chance(40) ? threatIds_[pick(int(threatIds_.size()))] : threatIds_.first();
        report(QStringLiteral("READER_THREAT_LEVEL"), r, 32, QString::number(level));
        report(QStringLiteral("CONTROLLER_THREAT_LEVEL"), r.chopped(5), 37, QString::number(level));
    }

    void portLink() {
        const QString& p = ports_[pick(int(ports_.size()))];
        report(QStringLiteral("PORT"), p, flip(p) ? 0 : 1);
    }

    void zrInputChange() {
        // Lines 2 and 3 normal, the main line switching between normal (0x11) and active (0x12).
        const QString& in = zrInputs_[pick(int(zrInputs_.size()))];
        report(QStringLiteral("ZR2_INPUT"), in, 1, flip(in) ? QStringLiteral("1118482") : QStringLiteral("1118481"));
    }

    void zrMask() {
        const QString& in = zrInputs_[pick(int(zrInputs_.size()))];
        report(QStringLiteral("ZR2_INPUT"), in, 0,
               flip(in + QStringLiteral("#mask")) ? QStringLiteral("2") : QStringLiteral("0"));
    }

    void zrRelaySwitch() {
        const QString& r = zrRelays_[pick(int(zrRelays_.size()))];
        report(QStringLiteral("ZR2_RELAY"), r, 1, flip(r) ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }

    void zrModule() {
        const QString& m = zrModules_[pick(int(zrModules_.size()))];
        if (chance(60))
            report(QStringLiteral("ZR2_MODULE"), m, flip(m) ? 0 : 1);
        else
            report(QStringLiteral("ZR2_MODULE"), m, flip(m + QStringLiteral("#tamper")) ? 3 : 2);
    }

    StatusWindow& window_;
    std::mt19937 rng_{20240305};
    QVector<StormReport> out_;
    QHash<QString, bool> toggles_;
    QVector<int> threatIds_;
    QVector<ClassicDoor> doors_;
    QVector<QString> inputs_, relays_, readers_, controllers_, ports_;
    QVector<QString> zrInputs_, zrRelays_, zrModules_;
};

}  // namespace so::bench
