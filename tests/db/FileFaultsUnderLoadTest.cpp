// The file check on a busy site: a writer committing every few milliseconds on a connection of its
// own (its checkpoints write the file all the time), another program writing the same file, and two
// processes keeping the machine's cores busy. A backup copied over the open file must be found
// every time (a copy older than the stamp a look last found in the file), including when one of
// the writer's checkpoints runs into the copy before the next look, and a file only touched never.
// Each round starts from a fresh site; the copies and the touch run as processes of their own, as
// an operator's would (a descriptor of the file opened and closed in this process would drop
// SQLite's locks).
//
// STATUSOBJECT_COPY_ROUNDS sets the rounds per case (6 unless set).
#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace so::db;

namespace {

int rounds() {
    const int set = qEnvironmentVariableIntValue("STATUSOBJECT_COPY_ROUNDS");
    return set > 0 ? set : 6;
}

/// Processes that each keep a core busy while they live.
class BusyCores {
public:
    explicit BusyCores(int count) {
        for (int i = 0; i < count; ++i) {
            auto& loop = loops_.emplace_back(std::make_unique<QProcess>());
            loop->start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        }
    }
    ~BusyCores() {
        for (auto& loop : loops_) {
            loop->kill();
            loop->waitForFinished();
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> loops_;
};

/// Changes 20 rows across the table every 2 ms on a connection of its own thread (the log fills
/// and is checkpointed several times a second).
class BusyWriter {
public:
    explicit BusyWriter(const QString& url) {
        thread_ = std::thread([this, url] {
            auto db = Connection::open(url);
            for (int n = 0; !stop_; ++n) {
                try {
                    db->execute(QStringLiteral("UPDATE T SET B = 'write %1' WHERE A % 100 = %2").arg(n).arg(n % 100));
                    ++commits;
                } catch (const DbError&) {
                    // another program's lock, or the file written over: the watcher says which
                }
                QThread::msleep(2);
            }
        });
    }
    ~BusyWriter() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> commits{0};

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

/// Another program changing rows of the same file until it goes, leaving the checkpoints to the
/// site's own connections (a program that copied the log into a file written over under it would
/// mend its first page and mix the pages of both).
class ForeignWriter {
public:
    explicit ForeignWriter(const QString& path) {
        process_.start(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import random, sqlite3, sys, time\n"
                            "c = sqlite3.connect(sys.argv[1], timeout=5, isolation_level=None)\n"
                            "c.execute('PRAGMA wal_autocheckpoint = 0')\n"
                            "while True:\n"
                            "    try:\n"
                            "        c.execute('UPDATE T SET B = ? WHERE A = ?', ('other', random.randrange(2000)))\n"
                            "    except sqlite3.OperationalError:\n"
                            "        pass\n"
                            "    time.sleep(0.005)\n"),
             path});
    }
    ~ForeignWriter() {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
};

bool runs(const QString& program, const QStringList& arguments) { return QProcess::execute(program, arguments) == 0; }

/// Whether the commit stamp in the header of `file` is newer than that of each of `copies`, read
/// by a process of its own.
bool stampIsNewer(const QString& file, const QStringList& copies) {
    return runs(QStringLiteral("python3"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("import sys\n"
                                           "def stamp(path):\n"
                                           "    with open(path, 'rb') as f:\n"
                                           "        return int.from_bytes(f.read(64)[60:64], 'big')\n"
                                           "sys.exit(0 if all(stamp(sys.argv[1]) > stamp(c) for c in sys.argv[2:]) "
                                           "else 1)\n"),
                            file} +
                    copies);
}

struct Interference {
    const char* name;
    /// What is done to the site; backup (through SQLite) and backup.file (the file alone) are
    /// copies of it taken at least 1.5 s before, and at least one checkpoint before.
    std::function<bool(const QString& site, const QString& backup)> inflict;
    bool isFault;
};

class BusySite : public ::testing::TestWithParam<Interference> {};

TEST_P(BusySite, ACopyOverTheOpenFileIsFoundEveryTimeAndATouchNever) {
    const BusyCores cores(2);
    const int total = rounds();
    int found = 0;
    int falseAlarms = 0;
    for (int round = 0; round < total; ++round) {
        QTemporaryDir dir;
        const QString site = dir.filePath(QStringLiteral("site.db"));
        const QString backup = dir.filePath(QStringLiteral("backup.db"));
        const QString url = QStringLiteral("sqlite:") + site;
        auto watcher = Connection::open(url);
        {
            watcher->execute(QStringLiteral("CREATE TABLE T (A INTEGER PRIMARY KEY, B TEXT)"));
            Transaction fill(*watcher);
            for (int i = 0; i < 2000; ++i)
                watcher->execute(
                    QStringLiteral("INSERT INTO T (A, B) VALUES (%1, '%2')").arg(i).arg(QString(80, u'x')));
            fill.commit();
        }
        BusyWriter writer(url);
        ForeignWriter other(site);
        // Looks every 100 ms while the writers run, as the link's check would every second.
        const auto lookFor = [&](int ms) {
            QElapsedTimer clock;
            clock.start();
            Connection::FileFault fault = Connection::FileFault::None;
            while (clock.elapsed() < ms && fault == Connection::FileFault::None) {
                QThread::msleep(100);
                fault = watcher->fileFault();
            }
            return fault;
        };
        const auto before = lookFor(500);
        // Two backups: one through SQLite (the log's rows in it), and the file alone.
        ASSERT_TRUE(runs(QStringLiteral("python3"),
                         {QStringLiteral("-c"),
                          QStringLiteral("import sqlite3, sys\n"
                                         "s = sqlite3.connect(sys.argv[1]); d = sqlite3.connect(sys.argv[2])\n"
                                         "s.backup(d)\n"),
                          site, backup}));
        ASSERT_TRUE(runs(QStringLiteral("cp"), {site, backup + QStringLiteral(".file")}));
        // Traffic until a checkpoint has written a newer commit stamp into the file than both
        // copies hold and a look has seen it: a copy of what no look saw replaced is no older.
        QElapsedTimer traffic;
        traffic.start();
        auto meanwhile = lookFor(1500);
        while (meanwhile == Connection::FileFault::None && traffic.elapsed() < 15000 &&
               !stampIsNewer(site, {backup, backup + QStringLiteral(".file")}))
            meanwhile = lookFor(100);
        if (meanwhile == Connection::FileFault::None)
            meanwhile = lookFor(300);
        ASSERT_GT(writer.commits.load(), 0);
        ASSERT_TRUE(GetParam().inflict(site, backup));
        const auto after = lookFor(1000);
        falseAlarms += before != Connection::FileFault::None || meanwhile != Connection::FileFault::None;
        found += after != Connection::FileFault::None;
    }
    EXPECT_EQ(falseAlarms, 0) << "a fault seen before anything was done to the file";
    if (GetParam().isFault)
        EXPECT_EQ(found, total) << found << " of " << total << " rounds";
    else
        EXPECT_EQ(found, 0) << found << " of " << total << " rounds";
}

const Interference kInterference[] = {
    {"BackupCopiedOverInPlace",
     [](const QString& site, const QString& backup) {
         return runs(QStringLiteral("cp"), {backup, site});
     },
     true},
    {"FileCopiedOverInPlace",
     [](const QString& site, const QString& backup) {
         return runs(QStringLiteral("cp"), {backup + QStringLiteral(".file"), site});
     },
     true},
    {"Touched", [](const QString& site, const QString&) { return runs(QStringLiteral("touch"), {site}); }, false},
};

INSTANTIATE_TEST_SUITE_P(UnderLoad, BusySite, ::testing::ValuesIn(kInterference),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
