// Real faults under a running component, on a site file reached through SQLite and through the
// SQLite ODBC driver: the file deleted, moved away or replaced while open, the connection closed,
// and another connection holding the write lock. The product must notice, tell the operator once,
// keep live states coming, and come back by itself: the tests only break and mend the files and
// call the link's periodic check instead of waiting for its timer.
#include "db/ConnectionImpl.h"
#include "component/StatusInternals.h"
#include "reliability/ReliabilitySite.h"

#include "groups/ConfigureGroups.h"
#include "groups/GroupStore.h"
#include "base/SiteLink.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

namespace so::test {
namespace {

enum class Fault { Unlink, MoveAway, ReplaceWithCopy, CloseConnection };

struct FaultCase {
    Fault fault;
    Backend backend;
};

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info) {
    static const char* const faults[] = {"Unlink", "MoveAway", "ReplaceWithCopy", "CloseConnection"};
    return std::string(faults[int(info.param.fault)]) + (info.param.backend == Backend::OdbcFile ? "Odbc" : "Sqlite");
}

class SiteFaultTest : public ::testing::Test {
protected:
    void open(Backend backend) {
        if (backend == Backend::OdbcFile && OdbcSqlite::driverName().isEmpty())
            GTEST_SKIP() << OdbcSqlite::skipReason().toStdString();
        s = std::make_unique<ReliabilitySite>(200, backend);
        s->showGroup(s->site.siteGroupId);
        ASSERT_GT(s->totalRows(), 50);
        link = contextOf(*s->status).siteLink;
        ASSERT_TRUE(link->isReachable());
    }

    QString path() const { return s->databasePath(); }

    /// A copy of the site as it is now, beside it (what an operator's backup would be).
    QString backup() {
        const QString copy = path() + QStringLiteral(".backup");
        {
            auto other = db::Connection::open(QStringLiteral("sqlite:") + path());
            other->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        EXPECT_TRUE(QFile::copy(path(), copy));
        return copy;
    }

    int linkBoxes() const {
        int count = 0;
        for (const FakeDialogs::Shown& shown : s->dialogs.messages)
            count += shown.text.contains(QLatin1String("site database cannot be reached")) ? 1 : 0;
        return count;
    }

    /// Group names stored in the file at the path, read by a connection of the test's own.
    QStringList storedGroupNames() {
        auto other = db::Connection::open(QStringLiteral("sqlite:") + path());
        QStringList names;
        for (db::Recordset rs = other->query(QStringLiteral("SELECT GroupName FROM Status_Groups")); !rs.eof();
             rs.moveNext())
            names << rs.field(0).toString();
        return names;
    }

    QVector<SelectedPoint> onePoint() { return {{QStringLiteral("Only point"), s->firstAddress(0), 1, 1, 0, 16}}; }

    std::unique_ptr<ReliabilitySite> s;
    SiteLink* link = nullptr;
};

class SiteFileFaults : public SiteFaultTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SiteFileFaults, AreToldOnceWriteNothingAwayAndReconnectByThemselves) {
    open(GetParam().backend);
    if (HasFatalFailure() || IsSkipped())
        return;
    const Fault fault = GetParam().fault;
    const QString copy = backup();
    const QString away = path() + QStringLiteral(".away");
    switch (fault) {
    case Fault::Unlink: ASSERT_TRUE(QFile::remove(path())); break;
    case Fault::MoveAway: ASSERT_TRUE(QFile::rename(path(), away)); break;
    case Fault::ReplaceWithCopy:  // renamed over the open file, as a restore puts a backup in place
        ASSERT_EQ(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path()).constData()), 0);
        break;
    case Fault::CloseConnection: QSqlDatabase::database(so::db::qtConnectionName(*s->db), false).close(); break;
    }
    QSignalSpy changes(link, &SiteLink::reachableChanged);
    link->check();
    ASSERT_FALSE(link->isReachable()) << "the link notices at its next check";
    EXPECT_EQ(linkBoxes(), 1);
    EXPECT_EQ(changes.size(), 1);

    // While down nothing is written to a file nobody will open again; live states still show.
    const bool fileStays = fault == Fault::CloseConnection || fault == Fault::ReplaceWithCopy;
    if (!fileStays) {
        EXPECT_EQ(groupStoreOf(*s->status).createGroup(QStringLiteral("Made while lost"), onePoint()), 0);
        link->check();
        EXPECT_FALSE(link->isReachable());
        EXPECT_FALSE(QFile::exists(path())) << "reconnecting must not create an empty site";
        ASSERT_TRUE(fault == Fault::Unlink ? QFile::rename(copy, path()) : QFile::rename(away, path()));
    }
    const QString controller = s->firstAddress(4);
    s->status->StateChange(QStringLiteral("CONTROLLER_ENABLED"), controller, 1);
    EXPECT_EQ(s->cell(4, controller, QStringLiteral("Enabled")), QStringLiteral("R1463"));

    // A name changed in the window only: the reload after the reconnect reads the stored one.
    const QString input = s->firstAddress(1);
    const QString storedName = s->cell(1, input, QStringLiteral("Name"));
    s->grid(1).setText(s->grid(1).findRow(input), QStringLiteral("Name"), QStringLiteral("stale"));

    link->check();
    ASSERT_TRUE(link->isReachable());
    EXPECT_EQ(changes.size(), 2);
    EXPECT_EQ(linkBoxes(), 1);
    EXPECT_EQ(s->cell(1, input, QStringLiteral("Name")), storedName) << "the group was read again";
    EXPECT_GT(groupStoreOf(*s->status).createGroup(QStringLiteral("Made after"), onePoint()), 0);
    EXPECT_TRUE(storedGroupNames().contains(QStringLiteral("Made after"))) << "stored in the file at the path";
    EXPECT_FALSE(storedGroupNames().contains(QStringLiteral("Made while lost")));
}

INSTANTIATE_TEST_SUITE_P(Faults, SiteFileFaults,
                         ::testing::Values(FaultCase{Fault::Unlink, Backend::SqliteFile},
                                           FaultCase{Fault::MoveAway, Backend::SqliteFile},
                                           FaultCase{Fault::ReplaceWithCopy, Backend::SqliteFile},
                                           FaultCase{Fault::CloseConnection, Backend::SqliteFile},
                                           FaultCase{Fault::Unlink, Backend::OdbcFile},
                                           FaultCase{Fault::ReplaceWithCopy, Backend::OdbcFile},
                                           FaultCase{Fault::CloseConnection, Backend::OdbcFile}),
                         caseName);

/// A hash of the file's bytes (empty when there is none).
QByteArray fileHash(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

/// Runs the event loop (the link's timer among it) for ms, or until done says so.
void runFor(int ms, const std::function<bool()>& done = {}) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && !(done && done())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

TEST_F(SiteFaultTest, ASiteFileCutMidRunIsToldOnceAsDamagedAndNothingIsWrittenAfter) {
    open(Backend::SqliteFile);
    ASSERT_FALSE(HasFatalFailure());
    const QString sound = backup();
    s->dialogs.messages.clear();
    ASSERT_TRUE(QFile::resize(path(), QFileInfo(path()).size() / 2));

    // Live changes keep coming while the link's own timer looks at the file.
    const QString controller = s->firstAddress(4);
    int state = 0;
    QElapsedTimer clock;
    clock.start();
    runFor(5000, [&] {
        s->status->StateChange(QStringLiteral("CONTROLLER_ENABLED"), controller, (state ^= 1));
        return s->status->siteState() != Status::SiteState::Reachable;
    });
    ASSERT_EQ(s->status->siteState(), Status::SiteState::Damaged) << "after " << clock.elapsed() << " ms";
    EXPECT_LT(clock.elapsed(), 5000);

    // Saves and the reopen attempts (with their waits) write nothing into the damaged file.
    const QByteArray cut = fileHash(path());
    const QByteArray log = fileHash(path() + QStringLiteral("-wal"));
    EXPECT_EQ(groupStoreOf(*s->status).createGroup(QStringLiteral("Made while damaged"), onePoint()), 0);
    runFor(3500);
    EXPECT_EQ(s->status->siteState(), Status::SiteState::Damaged) << "a cut file is not trusted again";
    EXPECT_EQ(fileHash(path()), cut);
    EXPECT_EQ(fileHash(path() + QStringLiteral("-wal")), log);
    ASSERT_EQ(s->dialogs.messages.size(), 1) << "one box, however many failures";
    EXPECT_TRUE(s->dialogs.messages[0].text.contains(QLatin1String("damaged"))) << "and it says what to do";
    EXPECT_TRUE(s->dialogs.messages[0].text.contains(QLatin1String("backup")));

    // A sound copy renamed into place is opened again by the link itself.
    ASSERT_EQ(std::rename(QFile::encodeName(sound).constData(), QFile::encodeName(path()).constData()), 0);
    runFor(8000, [&] { return s->status->siteState() == Status::SiteState::Reachable; });
    EXPECT_EQ(s->status->siteState(), Status::SiteState::Reachable);
    EXPECT_GT(groupStoreOf(*s->status).createGroup(QStringLiteral("Made when whole"), onePoint()), 0);
    EXPECT_TRUE(storedGroupNames().contains(QStringLiteral("Made when whole")));
}

TEST_F(SiteFaultTest, ABackupCopiedOverTheOpenFileInPlaceIsToldOnceAndReopened) {
    open(Backend::SqliteFile);
    ASSERT_FALSE(HasFatalFailure());
    const QString copy = backup();
    ASSERT_GT(groupStoreOf(*s->status).createGroup(QStringLiteral("Made before the copy"), onePoint()), 0);
    {
        auto other = db::Connection::open(QStringLiteral("sqlite:") + path());
        other->query(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")).close();
    }
    link->check();
    ASSERT_TRUE(link->isReachable()) << "a checkpoint writes the file too, and is no fault";
    {
        QFile from(copy), to(path());
        ASSERT_TRUE(from.open(QIODevice::ReadOnly) && to.open(QIODevice::ReadWrite | QIODevice::Truncate));
        to.write(from.readAll());
    }
    link->check();
    EXPECT_FALSE(link->isReachable()) << "seen by the next check";
    EXPECT_FALSE(link->isDamaged());
    EXPECT_EQ(linkBoxes(), 1);
    link->check();
    EXPECT_TRUE(link->isReachable()) << "opened again, as a file renamed into place";
    EXPECT_EQ(linkBoxes(), 1);
}

class SiteLock : public SiteFaultTest, public ::testing::WithParamInterface<Backend> {
protected:
    /// Another connection takes the write lock and holds it until release().
    void lock() {
        other = db::Connection::open(QStringLiteral("sqlite:") + path());
        QSqlQuery begin(QSqlDatabase::database(so::db::qtConnectionName(*other), false));
        ASSERT_TRUE(begin.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    void release() { other.reset(); }

    std::unique_ptr<db::Connection> other;
};

TEST_P(SiteLock, AFailedSaveWaitsBrieflyTellsTheOperatorAndKeepsThePointsForAnotherApply) {
    open(GetParam());
    if (HasFatalFailure() || IsSkipped())
        return;
    s->dialogs.messages.clear();
    ConfigureGroups dialog(contextOf(*s->status), groupStoreOf(*s->status), s->window());
    dialog.load();
    dialog.add({0, 1, 2});
    ASSERT_EQ(dialog.selected().size(), 3);
    s->dialogs.inputAnswers << QStringLiteral("Locked out");
    QSignalSpy busy(link, &SiteLink::busyChanged);
    lock();

    QElapsedTimer clock;
    clock.start();
    dialog.applyChanges();
    // The lock is held until the test lets it go: a window that waited it out would never get here,
    // nor one that waited for the alarm writer's 5 s on it; the bound leaves a busy machine room
    // beside the save's 200 ms and the load's 1 s for the site's alarm states.
    EXPECT_LT(clock.elapsed(), 3000) << "the window may not wait out the lock";
    EXPECT_EQ(s->dialogs.messages.size(), 1) << "the failed save is told";
    EXPECT_TRUE(link->isReachable());
    EXPECT_TRUE(link->isBusy());
    EXPECT_EQ(busy.size(), 1);
    EXPECT_EQ(dialog.selected().size(), 3) << "what the operator entered stays";
    const QString controller = s->firstAddress(4);
    s->status->StateChange(QStringLiteral("CONTROLLER_ENABLED"), controller, 1);
    EXPECT_EQ(s->cell(4, controller, QStringLiteral("Enabled")), QStringLiteral("R1463"));
    link->check();
    EXPECT_TRUE(link->isBusy()) << "still locked";

    release();
    link->check();
    EXPECT_FALSE(link->isBusy());
    s->dialogs.inputAnswers << QStringLiteral("Locked out");
    dialog.applyChanges();
    EXPECT_TRUE(storedGroupNames().contains(QStringLiteral("Locked out")));
}

INSTANTIATE_TEST_SUITE_P(Backends, SiteLock, ::testing::Values(Backend::SqliteFile, Backend::OdbcFile),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::OdbcFile ? std::string("Odbc") : std::string("Sqlite");
                         });

TEST(KeptStatements, ALockFailureIsNotRetriedByPreparingAgain) {
    QTemporaryDir folder;
    const QString url = QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("t.db"));
    auto db = db::Connection::open(url);
    db->execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
    db::Command insert(*db, QStringLiteral("INSERT INTO T (A) VALUES (?)"));
    insert.appendParameter(QStringLiteral("@A"), db::ParamType::Integer, db::ParamDirection::Input, 4, 1);
    insert.execute();  // now kept for its next run
    auto other = db::Connection::open(url);
    QSqlQuery begin(QSqlDatabase::database(so::db::qtConnectionName(*other), false));
    ASSERT_TRUE(begin.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    QElapsedTimer clock;
    clock.start();
    try {
        insert.execute();
        FAIL() << "the insert went through a held lock";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.isBusy()) << e.what();
    }
    EXPECT_LT(clock.elapsed(), 2 * db::Connection::kDefaultBusyTimeoutMs + 150) << "waited once, not twice";
}

}  // namespace
}  // namespace so::test
