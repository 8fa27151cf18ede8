// The soak: mixed live state changes on a shown window of more than 10,000 rows, headless. Every
// change carries a time of its own, so that afterwards each row must show the time of the last
// change sent to it (through its own report or, for a door, through its input's or relay's), and
// the cells the last change decodes to where they are fixed (voltages, enabled flags; unless a
// controller's reset cleared them since). Resident
// memory is sampled after a warm-up and at the end and must stay flat; the database must not be
// written.
//
// The ordinary run sends 100,000 changes; STATUSOBJECT_SOAK_CHANGES sets another number (the
// million-change run of RELIABILITY.md).
#include "reliability/ReliabilitySite.h"
#include "status/StatusBoard.h"

#include "domain/Address.h"
#include "status/StatusDecoder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>

#include <ctime>

#include <unistd.h>

namespace so::test {
namespace {

// AddressSanitizer holds freed memory back (its quarantine), so resident memory says nothing
// about leaks there; its own leak check covers that build instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr int kSitePoints = 10500;
constexpr int kWindowRows = 10000;
// Changes reported within one second share their time text, as a burst from the field does.
constexpr int kChangesPerSecond = 100;

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

int changesToSend() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("STATUSOBJECT_SOAK_CHANGES", &ok);
    return ok && n > 0 ? n : 100000;
}

/// A row whose last update was a re-read from the database (a keypad module's reader).
constexpr qint64 kReadFromDatabase = -2;

/// What the last change sent to a row must have left in it.
struct Expected {
    qint64 change = -1;  // number of the change (its time)
    QString key;         // a cell the change decodes to a fixed text, and that text
    QString text;
};

/// A device type that reaches a row of a section, with the cell it fixes (if any).
struct Feed {
    const char* type;
    int section;
    // Rows it is sent to: "" any row of the section, "ZRII" the newer line's rows, else the
    // classic rows whose address contains the code.
    const char* rows;
    // The door row of the address gets the change too when the address contains this code.
    const char* doorIfContains;
    enum Fixed { None, Voltage, Enabled } fixed;
};

const Feed kFeeds[] = {
    {"STD_INPUT", 1, "BI", "BI", Feed::None},
    {"STD_INPUTV", 1, "BI", "BI", Feed::Voltage},
    {"EXP_INPUT", 1, "XI", nullptr, Feed::None},
    {"EXP_INPUTV", 1, "XI", nullptr, Feed::Voltage},
    {"STD_RELAY", 2, "BR", "BR", Feed::None},
    {"EXP_RELAY", 2, "XR", nullptr, Feed::None},
    {"READER", 3, "", nullptr, Feed::None},
    {"CONTROLLER", 4, "", nullptr, Feed::None},
    {"CONTROLLER_ENABLED", 4, "", nullptr, Feed::Enabled},
    {"PYLON", 5, "", nullptr, Feed::None},
    {"PYLON_ENABLED", 5, "", nullptr, Feed::Enabled},
    {"PORT", 6, "", nullptr, Feed::None},
    {"PORT_ENABLED", 6, "", nullptr, Feed::Enabled},
    {"ZR2_INPUT", 1, "ZRII", "BI", Feed::None},
    {"ZR2_RELAY", 2, "ZRII", "BR", Feed::None},
    {"ZR2_MODULE", 7, "", nullptr, Feed::None},
};

bool feedsRow(const Feed& feed, const QString& address) {
    const QLatin1String rows(feed.rows);
    const bool newerLine = address.startsWith(QStringLiteral("\\\\ZRII"));
    if (rows.isEmpty())
        return true;
    if (rows == QLatin1String("ZRII"))
        return newerLine;
    return !newerLine && address.contains(rows);
}

/// Keypad modules and the reader each belongs to: a module's report re-reads that reader's row.
QHash<QString, QString> keypadReaders(db::Connection& db) {
    QHash<QString, QString> out;
    for (db::Recordset rs =
             db.query(QStringLiteral("SELECT ZRII_Modules.Address, ZRII_Readers.Address FROM ZRII_Modules "
                                     "JOIN ZRII_Keypads ON ZRII_Modules.ID = ZRII_Keypads.KeypadModuleID "
                                     "JOIN ZRII_KeypadsInReader ON ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID "
                                     "JOIN ZRII_Readers ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID"));
         !rs.eof(); rs.moveNext())
        out.insert(rs.field(0).toString(), rs.field(1).toString());
    return out;
}

/// The log's report descriptions other than conversion failures (error number 13).
QStringList nonConversionFailures(ReliabilitySite& s) {
    QFile file(s.logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QString& entry : QString::fromUtf8(file.readAll()).split(QStringLiteral("An error has occurred.")))
        if (entry.contains(QStringLiteral("Error Number: ")) && !entry.contains(QStringLiteral("Error Number: 13")))
            out << entry.trimmed();
    return out;
}

/// Which states of each feed stamp the row (and its door): decoding a state whose cell the grid
/// has no column for ends silently before the row's time is written.
struct StampTable {
    QVector<std::array<bool, 256>> own;
    QVector<std::array<bool, 256>> door;
};

StampTable probeStamping(ReliabilitySite& s, const QVector<QStringList>& targets, const QString& format) {
    StampTable t{QVector<std::array<bool, 256>>(targets.size()), QVector<std::array<bool, 256>>(targets.size())};
    StatusDecoder& decoder = s.window().board().decoder();
    QDateTime probeTime(QDate(2019, 1, 1), QTime(0, 0));
    for (int f = 0; f < targets.size(); ++f) {
        const Feed& feed = kFeeds[f];
        // A row whose door is shown, where the feed reaches doors.
        QString address = targets[f].value(0);
        for (const QString& candidate : targets[f]) {
            if (feed.doorIfContains != nullptr && candidate.contains(QLatin1String(feed.doorIfContains)) &&
                s.grid(0).findRow(ConvertToDoorAddress(candidate)) > 0) {
                address = candidate;
                break;
            }
        }
        if (address.isEmpty())
            continue;
        const bool hasDoor = feed.doorIfContains != nullptr && address.contains(QLatin1String(feed.doorIfContains));
        const QString door = hasDoor ? ConvertToDoorAddress(address) : QString();
        for (int state = 0; state < 256; ++state) {
            probeTime = probeTime.addSecs(1);
            const QString time = probeTime.toString(format);
            s.status->StateChange(QLatin1String(feed.type), address, quint8(state), time, QStringLiteral("1"));
            const QString shown = decoder.ConvertDateTime(time).text;
            t.own[f][state] = s.cell(feed.section, address, QStringLiteral("LastUpdated")) == shown;
            t.door[f][state] = hasDoor && s.cell(0, door, QStringLiteral("LastUpdated")) == shown;
        }
    }
    return t;
}

TEST(Soak, MixedStateChangesOnATenThousandRowWindowEndShowingTheLastStateOfEveryRow) {
    ReliabilitySite s(kSitePoints);
    s.showGroup(s.site.siteGroupId);
    ASSERT_GE(s.totalRows(), kWindowRows);
    const qint64 databaseChanges = scalar(*s.db, QStringLiteral("SELECT total_changes()"));
    const QHash<QString, QString> keypads = keypadReaders(*s.db);

    // The rows each feed can reach.
    QVector<QStringList> targets(std::size(kFeeds));
    for (std::size_t f = 0; f < std::size(kFeeds); ++f) {
        StatusGrid& grid = s.grid(kFeeds[f].section);
        for (int row = 1; row <= grid.rowCount(); ++row) {
            const QString address = grid.text(row, QStringLiteral("Address"));
            if (feedsRow(kFeeds[f], address))
                targets[f] << address;
        }
    }

    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    const QString format = s.host.dateFormat + QStringLiteral(" HH:mm:ss");
    const StampTable stamps = probeStamping(s, targets, format);
    QHash<QString, Expected> expected[kSectionCount];
    QRandomGenerator random(20240501);
    const int total = changesToSend();
    const int warmUp = total / 10;
    qint64 residentAfterWarmUp = 0;

    int unstamped = 0;
    QString time;
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < total; ++i) {
        if (i == warmUp)
            residentAfterWarmUp = residentBytes();
        const std::size_t f = random.bounded(quint32(std::size(kFeeds)));
        const Feed& feed = kFeeds[f];
        if (targets[f].isEmpty())
            continue;
        const QString& address = targets[f].at(random.bounded(quint32(targets[f].size())));
        // Modules are decoded only in states 2 and 3 (others re-read the module from the database).
        quint8 state = feed.section == 7 ? quint8(2 + random.bounded(2)) : quint8(random.bounded(256));
        if (feed.fixed == Feed::Enabled)
            state = quint8(random.bounded(2));
        // Newer-line inputs reported in state 0 with a value change their masked entry.
        const QString value = QString::number(random.bounded(4));
        if (i % kChangesPerSecond == 0)
            time = start.addSecs(i / kChangesPerSecond).toString(format);
        s.status->StateChange(QLatin1String(feed.type), address, state, time, value);

        // Decoding a state whose cell the grid has no column for ends before the row's time is
        // written: the row keeps its cells.
        if (stamps.own[f][state]) {
            Expected e{i, {}, {}};
            if (feed.fixed == Feed::Voltage)
                e = {i, QStringLiteral("Voltage"), voltsOf(state)};
            else if (feed.fixed == Feed::Enabled)
                e = {i, QStringLiteral("Enabled"), state == 1 ? QStringLiteral("R1463") : QStringLiteral("R1679")};
            expected[feed.section][address] = e;
        } else {
            ++unstamped;
        }
        if (feed.doorIfContains != nullptr && address.contains(QLatin1String(feed.doorIfContains)) &&
            stamps.door[f][state]) {
            Expected door{i, {}, {}};
            if (feed.fixed == Feed::Voltage)
                door = {i, QStringLiteral("Voltage"), voltsOf(state)};
            expected[0][ConvertToDoorAddress(address)] = door;
        }
        // A controller reporting state 36 resets its points' state cells to "not known".
        if (QLatin1String(feed.type) == QLatin1String("CONTROLLER") && state == 36)
            for (auto& section : expected)
                for (auto it = section.begin(); it != section.end(); ++it)
                    if (it.key().startsWith(address))
                        it->key.clear();
        if (feed.section == 7 && keypads.contains(address))
            expected[3][keypads.value(address)] = {kReadFromDatabase, {}, {}};
    }
    const qint64 elapsedMs = wall.elapsed();
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const qint64 residentAtEnd = residentBytes();

    // Every row shows the last change sent to it.
    StatusDecoder& decoder = s.window().board().decoder();
    int rowsChecked = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        StatusGrid& grid = s.grid(section);
        for (auto it = expected[section].cbegin(); it != expected[section].cend(); ++it) {
            const int row = grid.findRow(it.key());
            if (row == 0)
                continue;  // a door the site has not for this input or relay
            ++rowsChecked;
            if (it->change == kReadFromDatabase) {
                ASSERT_FALSE(grid.text(row, QStringLiteral("LastUpdated")).isEmpty()) << it.key().toStdString();
                continue;
            }
            const QString time = start.addSecs(it->change / kChangesPerSecond).toString(format);
            ASSERT_EQ(grid.text(row, QStringLiteral("LastUpdated")), decoder.ConvertDateTime(time).text)
                << "section " << section << " row " << it.key().toStdString();
            if (!it->key.isEmpty() && grid.columnIndex(it->key) >= 0)
                ASSERT_EQ(grid.text(row, it->key), it->text)
                    << "section " << section << " row " << it.key().toStdString();
        }
    }
    EXPECT_GT(rowsChecked, kWindowRows * 9 / 10);
    // Random states include some a device never sends with the value given (a reader's threat
    // level without one, a mask report for a port): conversion failures, reported and survived.
    // Nothing else may fail; the host hears of them as reports it handed over that could not be
    // applied, and of states above any a device has as refused, each at most once in the quiet
    // time of its kind.
    EXPECT_EQ(nonConversionFailures(s), QStringList());
    EXPECT_LE(s.host.loggedErrors.size(), 2);
    for (const QString& e : s.host.loggedErrors)
        EXPECT_TRUE(e.contains(QStringLiteral("a notice or report that could not be applied")) ||
                    e.contains(QStringLiteral("StateChange with a state no device type has")))
            << e.toStdString();
    EXPECT_EQ(scalar(*s.db, QStringLiteral("SELECT total_changes()")), databaseChanges);

    // Flat after warm-up: the rows' texts are replaced, not accumulated.
    const qint64 growth = residentAtEnd - residentAfterWarmUp;
    if (!kAddressSanitizer)
        EXPECT_LT(growth, qint64(8) << 20) << "resident memory grew by " << growth << " bytes";
    std::printf(
        "soak: %d changes (%d ending at a missing column) on %d rows: %lld ms, %.2f us processor time "
        "per change with the bookkeeping; %d rows checked; resident %lld KiB after warm-up, %lld KiB at the "
        "end\n",
        total, unstamped, s.totalRows(), elapsedMs, cpuSeconds * 1e6 / total, rowsChecked, residentAfterWarmUp >> 10,
        residentAtEnd >> 10);
}

}  // namespace
}  // namespace so::test
