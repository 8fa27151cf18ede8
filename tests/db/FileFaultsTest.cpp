// A SQLite site file changed or damaged by another program while a connection has it open: what
// the connection's file check sees, how soon, and that a damaged file is neither written (by any
// connection: each looks before it writes) nor trusted again before it is whole. Also no false
// alarm from another connection's checkpoints, which write the file as well.
#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

using namespace so::db;
using Fault = Connection::FileFault;

namespace {

class FileFaults : public ::testing::Test {
public:
    /// A site of some 80 pages at `site` (through the link `linked` when viaLink), its log emptied.
    void openSite(bool viaLink) {
        site = dir.filePath(QStringLiteral("site.db"));
        real = viaLink ? dir.filePath(QStringLiteral("real.db")) : site;
        conn = Connection::open(QStringLiteral("sqlite:") + real);
        conn->execute(QStringLiteral("CREATE TABLE T (A INTEGER PRIMARY KEY, B TEXT)"));
        Transaction fill(*conn);
        for (int i = 0; i < 2000; ++i)
            conn->execute(QStringLiteral("INSERT INTO T (A, B) VALUES (%1, '%2')").arg(i).arg(QString(100, u'x')));
        fill.commit();
        conn->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).close();
        if (viaLink) {
            conn.reset();
            ASSERT_TRUE(QFile::link(real, site));
            conn = Connection::open(QStringLiteral("sqlite:") + site);
        }
    }

    /// A copy of the file as it is now, beside it.
    QString copy(const QString& name) {
        const QString to = dir.filePath(name);
        EXPECT_TRUE(QFile::copy(real, to));
        return to;
    }

    /// Writes the bytes of `from` over the site file in place (the same file, new content).
    void writeOver(const QString& from) {
        QFile source(from), target(real);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly) && target.open(QIODevice::ReadWrite));
        target.write(source.readAll());
    }

    /// Another connection changes rows and copies its log into the file, as other desks do.
    void writeAndCheckpoint(int round) {
        auto other = Connection::open(QStringLiteral("sqlite:") + site);
        other->execute(QStringLiteral("UPDATE T SET B = 'round %1' WHERE A < 500").arg(round));
        other->query(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")).close();
    }

    /// What the file check says after `looks` looks a little over a second apart (the last answer).
    Fault look(int looks) {
        Fault fault = Fault::None;
        for (int i = 0; i < looks; ++i) {
            if (i > 0)
                QThread::msleep(1100);
            fault = conn->fileFault();
        }
        return fault;
    }

    QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                              : QByteArray();
    }

    QTemporaryDir dir;
    QString site;
    QString real;
    std::unique_ptr<Connection> conn;
};

struct FaultCase {
    const char* name;
    bool viaLink;
    std::function<void(FileFaults&)> inflict;
    Fault expected;
};

class FileFaultSeen : public FileFaults, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FileFaultSeen, AtTheFirstLookAndKeptUntilReopened) {
    openSite(GetParam().viaLink);
    ASSERT_EQ(look(1), Fault::None);
    GetParam().inflict(*this);
    EXPECT_EQ(conn->fileFault(), GetParam().expected) << "at the first look";
    EXPECT_EQ(look(2), GetParam().expected);
    if (GetParam().expected != Fault::None) {
        EXPECT_FALSE(conn->isAlive());
        EXPECT_EQ(conn->fileFault(), GetParam().expected) << "kept until the connection is opened again";
    }
}

const FaultCase kFaultCases[] = {
    {"OtherConnectionsCheckpointing", false,
     [](FileFaults& t) {
         for (int round = 0; round < 3; ++round) {
             t.writeAndCheckpoint(round);
             EXPECT_EQ(t.conn->fileFault(), Fault::None);
         }
     },
     Fault::None},
    {"RenamedOver", false,
     [](FileFaults& t) {
         const QString backup = t.copy(QStringLiteral("backup.db"));
         ASSERT_EQ(std::rename(QFile::encodeName(backup).constData(), QFile::encodeName(t.site).constData()), 0);
     },
     Fault::Replaced},
    {"OlderCopyWrittenOverInPlace", false,
     [](FileFaults& t) {
         const QString backup = t.copy(QStringLiteral("backup.db"));
         t.writeAndCheckpoint(1);
         ASSERT_EQ(t.conn->fileFault(), Fault::None);
         t.writeOver(backup);
     },
     Fault::Replaced},
    // The copy lands after the last look, and a checkpoint starts before the next one: the current
    // first page written over the copy's would hide it for good.
    {"OlderCopyWrittenOverJustBeforeACheckpoint", false,
     [](FileFaults& t) {
         const QString backup = t.copy(QStringLiteral("backup.db"));
         t.writeAndCheckpoint(1);
         ASSERT_EQ(t.conn->fileFault(), Fault::None);
         t.conn->execute(QStringLiteral("UPDATE T SET B = 'after the look' WHERE A < 500"));
         t.writeOver(backup);
         EXPECT_THROW(t.conn->query(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")).close(), DbError);
         EXPECT_EQ(t.bytesOf(t.site), t.bytesOf(backup)) << "the checkpoint wrote into the copy";
     },
     Fault::Replaced},
    // A copy empties the file before it writes its own bytes: a checkpoint in between writes nothing.
    {"EmptiedJustBeforeACheckpoint", false,
     [](FileFaults& t) {
         t.conn->execute(QStringLiteral("UPDATE T SET B = 'after the look' WHERE A < 500"));
         ASSERT_TRUE(QFile::resize(t.site, 0));
         EXPECT_THROW(t.conn->query(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")).close(), DbError);
         EXPECT_EQ(QFileInfo(t.site).size(), 0) << "the checkpoint wrote into the emptied file";
     },
     Fault::Damaged},
    {"LinkPointedElsewhere", true,
     [](FileFaults& t) {
         const QString other = t.copy(QStringLiteral("other.db"));
         const QString newLink = t.dir.filePath(QStringLiteral("new-link"));
         ASSERT_TRUE(QFile::link(other, newLink));
         ASSERT_EQ(std::rename(QFile::encodeName(newLink).constData(), QFile::encodeName(t.site).constData()), 0);
     },
     Fault::Replaced},
    {"LogDeleted", false, [](FileFaults& t) { ASSERT_TRUE(QFile::remove(t.site + QStringLiteral("-wal"))); },
     Fault::Replaced},
    {"LogIndexReplaced", false,
     [](FileFaults& t) {
         const QString index = t.site + QStringLiteral("-shm");
         ASSERT_TRUE(QFile::copy(index, index + QStringLiteral(".copy")));
         ASSERT_EQ(std::rename(QFile::encodeName(index + QStringLiteral(".copy")).constData(),
                               QFile::encodeName(index).constData()),
                   0);
     },
     Fault::Replaced},
    {"CutToHalf", false, [](FileFaults& t) { ASSERT_TRUE(QFile::resize(t.site, QFileInfo(t.site).size() / 2)); },
     Fault::Damaged},
    {"HeaderOverwritten", false,
     [](FileFaults& t) {
         QFile file(t.site);
         ASSERT_TRUE(file.open(QIODevice::ReadWrite));
         file.write(QByteArray(16, 'z'));
     },
     Fault::Damaged},
};

INSTANTIATE_TEST_SUITE_P(SiteFile, FileFaultSeen, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileFaults, ADamagedFileIsNotWrittenAndNotReopenedUntilWhole) {
    openSite(false);
    const QString sound = copy(QStringLiteral("sound.db"));
    {
        // A page in the middle overwritten: header and size still look right.
        QFile file(site);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(40 * 4096));
        file.write(QByteArray(4096, '\xA5'));
    }
    // A connection that has none of the file in its page cache reads the damage.
    auto fresh = Connection::open(QStringLiteral("sqlite:") + site);
    try {
        fresh->query(QStringLiteral("SELECT count(*), max(length(B)) FROM T")).field(0);
        FAIL() << "read a damaged table";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isDamage()) << e.what();
    }
    EXPECT_EQ(fresh->fileFault(), Fault::Damaged) << "a statement that found the damage marks the file";

    const QByteArray before = bytesOf(site);
    try {
        fresh->execute(QStringLiteral("INSERT INTO T (A, B) VALUES (5000, 'after')"));
        FAIL() << "wrote into a damaged file";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isDamage()) << e.what();
    }
    for (Connection* c : {fresh.get(), conn.get()}) {
        try {
            c->reopen();
            FAIL() << "a file that is not whole was trusted again";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.isDamage()) << e.what();
        }
    }
    fresh.reset();
    EXPECT_EQ(bytesOf(site), before) << "neither the write nor closing the connections touched the file";

    ASSERT_EQ(std::rename(QFile::encodeName(sound).constData(), QFile::encodeName(site).constData()), 0);
    conn->reopen();
    EXPECT_EQ(conn->fileFault(), Fault::None);
    EXPECT_EQ(conn->query(QStringLiteral("SELECT count(*) FROM T")).field(0).toInt(), 2000);
}

TEST_F(FileFaults, RowsInALogDeletedUnderTheConnectionAreWrittenIntoTheFile) {
    openSite(false);
    ASSERT_EQ(look(1), Fault::None);
    conn->execute(QStringLiteral("INSERT INTO T (A, B) VALUES (5000, 'in the log only')"));
    ASSERT_TRUE(QFile::remove(site + QStringLiteral("-wal")));
    EXPECT_EQ(conn->fileFault(), Fault::Replaced) << "seen at the first look, by the log's identity";
    conn.reset();
    auto after = Connection::open(QStringLiteral("sqlite:") + site);
    EXPECT_EQ(after->query(QStringLiteral("SELECT count(*) FROM T")).field(0).toInt(), 2001);
}

TEST_F(FileFaults, TheLastConnectionToCloseWritesNothingIntoAFileCutUnderIt) {
    openSite(false);
    conn->execute(QStringLiteral("UPDATE T SET B = 'in the log' WHERE A < 100"));
    auto reader = Connection::open(QStringLiteral("sqlite:") + site);
    EXPECT_EQ(reader->query(QStringLiteral("SELECT count(*) FROM T")).field(0).toInt(), 2000);
    conn.reset();  // not the last: its log stays
    ASSERT_TRUE(QFile::resize(site, QFileInfo(site).size() / 2));
    const QByteArray cut = bytesOf(site);
    reader.reset();  // never looked at the file before closing
    EXPECT_EQ(bytesOf(site), cut);
}

TEST_F(FileFaults, AWriteLooksAtTheFileFirstAndWritesNothingIntoACutFile) {
    openSite(false);
    auto writer = Connection::open(QStringLiteral("sqlite:") + site);
    ASSERT_EQ(writer->execute(QStringLiteral("UPDATE T SET B = 'before' WHERE A = 1")), 1);
    ASSERT_TRUE(QFile::resize(site, QFileInfo(site).size() / 2));
    const QByteArray cut = bytesOf(site);
    const QByteArray log = bytesOf(site + QStringLiteral("-wal"));
    const std::function<void()> writes[] = {
        [&] { writer->execute(QStringLiteral("UPDATE T SET B = 'after' WHERE A = 2")); },
        [&] {
            Transaction transaction(*writer);
            writer->execute(QStringLiteral("UPDATE T SET B = 'after' WHERE A = 3"));
            transaction.commit();
        },
    };
    for (const auto& write : writes) {
        try {
            write();
            ADD_FAILURE() << "wrote into a cut file";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.isDamage()) << e.what();
        }
    }
    writer.reset();
    EXPECT_EQ(bytesOf(site), cut);
    EXPECT_EQ(bytesOf(site + QStringLiteral("-wal")), log);
}

TEST_F(FileFaults, LookingAtTheFileKeepsTheLocksOfEveryConnectionOfTheProcess) {
    openSite(false);
    auto writer = Connection::open(QStringLiteral("sqlite:") + site);
    writer->beginTransaction();
    writer->execute(QStringLiteral("UPDATE T SET B = 'held' WHERE A = 1"));
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(conn->fileFault(), Fault::None);
    ASSERT_TRUE(conn->isAlive());
    // Another process must still find the write lock taken: a look that opened and closed the
    // file or its index here would have dropped this process's locks on them.
    const int rc =
        QProcess::execute(QStringLiteral("python3"),
                          {QStringLiteral("-c"),
                           QStringLiteral("import sqlite3, sys\n"
                                          "c = sqlite3.connect(sys.argv[1], timeout=0, isolation_level=None)\n"
                                          "try:\n    c.execute('BEGIN IMMEDIATE')\nexcept sqlite3.OperationalError:\n"
                                          "    sys.exit(3)\n"),
                           site});
    EXPECT_EQ(rc, 3) << "the write lock held by another connection of this process was lost";
    writer->rollback();
}

}  // namespace
