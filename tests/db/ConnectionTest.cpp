// The database layer against a real SQLite database, reached directly (QSQLITE) and through the
// ODBC driver manager with the SQLite ODBC driver and a DSN-less connection string (QODBC).
#include "db/ConnectionImpl.h"
#include "db/TSqlRewriter.h"
#include "support/OdbcSqlite.h"

#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <stdexcept>

using namespace so::db;

namespace {

const char* const kSchema = R"sql(
CREATE TABLE Controllers (Controller_ID INTEGER PRIMARY KEY, Address TEXT NOT NULL, Installed INTEGER);
CREATE TABLE Doors (DoorID INTEGER PRIMARY KEY, ControllerID INTEGER NOT NULL REFERENCES Controllers(Controller_ID),
                    DoorName TEXT, Address TEXT NOT NULL, Note TEXT);
CREATE TABLE Status_Groups (GroupID INTEGER PRIMARY KEY AUTOINCREMENT, SiteID INTEGER, GroupName TEXT);
CREATE TABLE Status_Points (GroupID INTEGER REFERENCES Status_Groups(GroupID) ON DELETE CASCADE,
                            ListName TEXT, ListSmallIcon INTEGER, AlternateFlag INTEGER);
CREATE TABLE sys_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, params TEXT NOT NULL, body TEXT NOT NULL);

INSERT INTO Controllers VALUES (1, '\\SNET1.01', -1), (2, '\\SNET1.02', 0);
INSERT INTO Doors VALUES (1, 1, 'Front', '\\SNET1.01.DR01', NULL), (2, 1, 'Back', '\\SNET1.01.DR02', 'side; door'),
                         (3, 2, 'Yard', '\\SNET1.02.DR01', NULL);

INSERT INTO sys_procedures VALUES ('STATUS_Fetch_Doors', 'ControllerID',
    'SELECT DoorName, Address FROM Doors WHERE ControllerID = :ControllerID ORDER BY DoorID');
INSERT INTO sys_procedures VALUES ('KSP_Insert_Status_Group', 'SiteID,GroupName,ReturnedID OUTPUT',
    'INSERT INTO Status_Groups (SiteID, GroupName) VALUES (:SiteID, :GroupName);
     SELECT last_insert_rowid() AS ReturnedID');
INSERT INTO sys_procedures VALUES ('KSP_Echo', 'Text,Number',
    'SELECT :Text AS Text, :Number AS Number, '':Text; is not a parameter'' AS Literal;
     SELECT :Text || ''!'' AS Shout, :Text IS NULL AS TextIsNull')
)sql";

struct Backend {
    const char* name;
    bool odbc;
};

class DbLayer : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        QString url = QStringLiteral("sqlite::memory:");
        if (GetParam().odbc) {
            if (so::test::OdbcSqlite::driverName().isEmpty())
                GTEST_SKIP() << "ODBC backend skipped: " << so::test::OdbcSqlite::skipReason().toStdString();
            url = so::test::OdbcSqlite::url(dir_.filePath(QStringLiteral("site.db")));
        }
        conn_ = Connection::open(url);
        // A text runs one statement: the schema goes statement by statement.
        const QString schema = QString::fromUtf8(kSchema);
        const QVector<so::db::tsql::Token> tokens = so::db::tsql::tokenize(schema);
        for (const auto& [first, last] : so::db::tsql::statementRanges(schema, tokens))
            conn_->execute(schema.mid(tokens[first].pos, tokens[last].pos + tokens[last].len - tokens[first].pos));
    }

    Connection& conn() { return *conn_; }

    int count(const QString& sql) {
        Recordset rs = conn().query(sql);
        return rs.field(0).toInt();
    }

    QTemporaryDir dir_;
    std::unique_ptr<Connection> conn_;
};

INSTANTIATE_TEST_SUITE_P(Backends, DbLayer, ::testing::Values(Backend{"Sqlite", false}, Backend{"OdbcSqlite", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DbLayer, UsesTheCompatibilityLayerForSqliteAndAnswers) {
    EXPECT_TRUE(conn().usesCompatibilityLayer());
    EXPECT_TRUE(conn().isAlive());
    EXPECT_EQ(count(QStringLiteral("PRAGMA foreign_keys")), 1);
}

TEST_P(DbLayer, ReadsFieldsByNameInAnyCaseByPositionAndNullAware) {
    Recordset rs = conn().query(QStringLiteral("SELECT DoorID, DoorName, Note FROM Doors ORDER BY DoorID"));
    ASSERT_EQ(rs.fieldCount(), 3);
    EXPECT_EQ(rs.fieldName(1), QStringLiteral("DoorName"));
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("NOTE")), 2);
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("Missing")), -1);
    QStringList names;
    QList<bool> nullNotes;
    for (; !rs.eof(); rs.moveNext()) {
        EXPECT_EQ(rs.field(QStringLiteral("doorname")), rs.field(QStringLiteral("DOORNAME")));
        EXPECT_EQ(rs.field(QStringLiteral("DoorName")), rs.field(1));
        names << rs.field(QStringLiteral("DoorName")).toString();
        nullNotes << rs.isNull(QStringLiteral("note"));
        if (rs.isNull(QStringLiteral("Note"))) {
            EXPECT_FALSE(rs.field(2).isValid());
        }
    }
    EXPECT_EQ(names, (QStringList{"Front", "Back", "Yard"}));
    EXPECT_EQ(nullNotes, (QList<bool>{true, false, true}));
    EXPECT_THROW(rs.field(0), DbError);  // past the last record
    EXPECT_THROW(rs.moveNext(), DbError);
}

TEST_P(DbLayer, MissingFieldIsADbErrorNamingIt) {
    Recordset rs = conn().query(QStringLiteral("SELECT DoorName FROM Doors"));
    try {
        rs.field(QStringLiteral("DoorNmae"));
        FAIL() << "no DbError";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("DoorNmae")));
        EXPECT_EQ(e.statement(), QStringLiteral("SELECT DoorName FROM Doors"));
    }
    EXPECT_THROW(rs.field(1), DbError);
    EXPECT_THROW(Recordset().field(0), DbError);
}

TEST_P(DbLayer, BindsPlaceholdersInOrderAndClearsParameters) {
    Command cmd(conn(), QStringLiteral("SELECT DoorName FROM Doors WHERE ControllerID = ? AND Address = ?"));
    cmd.appendParameter(QStringLiteral("@ControllerID"), so::db::ParamType::Integer, ParamDirection::Input, 4, 1);
    cmd.appendParameter(QStringLiteral("@Address"), so::db::ParamType::VarChar, ParamDirection::Input, 25,
                        QStringLiteral("\\\\SNET1.01.DR02"));
    Recordset rs = cmd.open();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(QStringLiteral("DoorName")).toString(), QStringLiteral("Back"));
    rs.close();

    while (cmd.parameterCount() > 0)
        cmd.deleteParameter(0);
    EXPECT_THROW(cmd.deleteParameter(0), DbError);
    // A value with quotes and SQL in it is data, never statement text.
    cmd.appendParameter(QStringLiteral("@ControllerID"), so::db::ParamType::Integer, ParamDirection::Input, 4, 2);
    cmd.appendParameter(QStringLiteral("@Address"), so::db::ParamType::VarChar, ParamDirection::Input, 25,
                        QStringLiteral("x' OR '1'='1"));
    EXPECT_TRUE(cmd.open().eof());

    cmd.deleteParameter(1);
    try {
        cmd.open();
        FAIL() << "no DbError";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("2 \"?\" placeholders but 1 values"))) << e.what();
    }
}

TEST_P(DbLayer, ExecuteReportsRowsAndRefusesValuesThatDoNotFitTheirType) {
    Command insert(conn(), QStringLiteral("Insert Into Status_Points (GroupID, ListName, ListSmallIcon, AlternateFlag) "
                                          "Values (?, ?, ?, ?)"));
    insert.appendParameter(QStringLiteral("@GroupID"), so::db::ParamType::Integer, ParamDirection::Input, 4,
                           QVariant());
    insert.appendParameter(QStringLiteral("@ListName"), so::db::ParamType::VarChar, ParamDirection::Input, 64,
                           QStringLiteral("Front"));
    insert.appendParameter(QStringLiteral("@ListSmallIcon"), so::db::ParamType::SmallInt, ParamDirection::Input, 2, 3);
    insert.appendParameter(QStringLiteral("@AlternateFlag"), so::db::ParamType::TinyInt, ParamDirection::Input, 1,
                           true);
    EXPECT_EQ(insert.execute(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Status_Points WHERE GroupID IS NULL AND AlternateFlag = 1")),
              1);

    insert.parameter(2).value = 70000;  // does not fit a 16-bit integer: refused, not cut
    EXPECT_THROW(insert.execute(), DbError);
    insert.parameter(2).value = QStringLiteral("three");
    EXPECT_THROW(insert.execute(), DbError);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Status_Points")), 1);
    EXPECT_EQ(conn().execute(QStringLiteral("UPDATE Doors SET Note = N'x' WHERE ControllerID = 1")), 2);
}

TEST_P(DbLayer, ATextWithASecondStatementRunsNothing) {
    const int doors = count(QStringLiteral("SELECT COUNT(*) FROM Doors"));
    ASSERT_GT(doors, 0);
    for (const char* stacked : {"SELECT 1; DELETE FROM Doors", "UPDATE Doors SET Note = 'x'; DELETE FROM Doors",
                                "SELECT DoorName FROM Doors WHERE Note = ''; DELETE FROM Doors; --'"}) {
        SCOPED_TRACE(stacked);
        EXPECT_THROW(conn().execute(QString::fromUtf8(stacked)), DbError);
        EXPECT_THROW(conn().query(QString::fromUtf8(stacked)), DbError);
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Doors")), doors);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Doors WHERE Note = 'x'")), 0);
}

TEST_P(DbLayer, TransactionRollsBackWhenLeftByAnException) {
    auto addGroup = [&](const char* name) {
        Command cmd(conn(), QStringLiteral("INSERT INTO Status_Groups (SiteID, GroupName) VALUES (1, ?)"));
        cmd.appendParameter(QStringLiteral("@GroupName"), so::db::ParamType::VarChar, ParamDirection::Input, 50,
                            QString::fromUtf8(name));
        cmd.execute();
    };
    try {
        Transaction t(conn());
        addGroup("Lost");
        throw std::runtime_error("failure part-way");
    } catch (const std::runtime_error&) {
    }
    {
        Transaction t(conn());
        addGroup("Kept");
        t.commit();
    }
    Recordset rs = conn().query(QStringLiteral("SELECT GroupName FROM Status_Groups"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toString(), QStringLiteral("Kept"));
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
}

// A SQL Server connection serves one result at a time: a statement sent while a record set still
// has rows is refused on every backend, so that no caller does it unnoticed.
TEST_P(DbLayer, AStatementWhileAnotherStillHasRowsIsRefusedUntilThoseRowsAreDone) {
    const QString doors = QStringLiteral("SELECT DoorName FROM Doors ORDER BY DoorID");
    {
        Recordset rs = conn().query(doors);
        const std::function<void()> statements[] = {
            [&] { conn().query(QStringLiteral("SELECT 1")); },
            [&] { conn().execute(QStringLiteral("UPDATE Doors SET Note = NULL")); },
            [&] { conn().query(QStringLiteral("STATUS_Fetch_Doors 1")); },
            [&] {
                Command cmd(conn(), QStringLiteral("SELECT DoorName FROM Doors WHERE DoorID = ?"));
                cmd.appendParameter(QStringLiteral("@DoorID"), so::db::ParamType::Integer, ParamDirection::Input, 4, 1);
                cmd.open();
            },
            [&] {
                Command cmd(conn(), QStringLiteral("STATUS_Fetch_Doors"));
                cmd.setProcedure(true);
                cmd.appendParameter(QStringLiteral("@ControllerID"), so::db::ParamType::Integer, ParamDirection::Input,
                                    4, 1);
                cmd.open();
            },
        };
        for (const auto& send : statements) {
            try {
                send();
                ADD_FAILURE() << "no DbError";
            } catch (const DbError& e) {
                EXPECT_TRUE(e.message().contains(doors)) << e.what();
            }
        }
        EXPECT_EQ(rs.field(0).toString(), QStringLiteral("Front"));  // the open record set reads on
    }
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Doors WHERE Note IS NULL")), 2);  // the UPDATE never ran
    const std::pair<const char*, std::function<void(Recordset&)>> finishes[] = {
        {"read to its end",
         [](Recordset& rs) {
             while (!rs.eof())
                 rs.moveNext();
         }},
        {"closed", [](Recordset& rs) { rs.close(); }},
        {"destroyed", [](Recordset& rs) { rs = Recordset(); }},
        {"empty", [](Recordset&) {}},
    };
    for (const auto& [how, finish] : finishes) {
        Recordset rs = conn().query(std::string(how) == "empty" ? doors + QStringLiteral(" LIMIT 0") : doors);
        finish(rs);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Doors")), 3) << how;
    }
}

TEST_P(DbLayer, ReadAllFreesTheConnectionAndReadsOnFromTheCurrentRow) {
    Recordset rs = conn().query(QStringLiteral("SELECT DoorName, Note FROM Doors ORDER BY DoorID"));
    rs.moveNext();
    rs.readAll();
    QStringList seen;
    for (; !rs.eof(); rs.moveNext())
        seen << rs.field(QStringLiteral("doorname")).toString() + u'/' +
                    (rs.isNull(QStringLiteral("Note")) ? QStringLiteral("null") : rs.field(1).toString()) + u'/' +
                    QString::number(count(QStringLiteral("SELECT COUNT(*) FROM Doors")));
    EXPECT_EQ(seen, (QStringList{"Back/side; door/3", "Yard/null/3"}));
    EXPECT_THROW(rs.field(0), DbError);
    EXPECT_THROW(rs.moveNext(), DbError);
    // The rows read into memory can be read again; a set still reading from the database cannot go back.
    rs.moveFirst();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toString(), QStringLiteral("Back"));
    Recordset reading = conn().query(QStringLiteral("SELECT DoorName FROM Doors ORDER BY DoorID"));
    EXPECT_THROW(reading.moveFirst(), DbError);
}

TEST_P(DbLayer, ProcedureCommandFillsItsOutputParameter) {
    auto insertGroup = [&](const QString& name) {
        Command cmd(conn(), QStringLiteral("KSP_Insert_Status_Group"));
        cmd.setProcedure(true);
        cmd.appendParameter(QStringLiteral("@SiteID"), so::db::ParamType::Integer, ParamDirection::Input, 4, 1);
        cmd.appendParameter(QStringLiteral("@GroupName"), so::db::ParamType::VarChar, ParamDirection::Input, 50, name);
        cmd.appendParameter(QStringLiteral("@ReturnedID"), so::db::ParamType::Integer, ParamDirection::Output, 4);
        cmd.execute();
        return cmd.parameterValue(QStringLiteral("@returnedid")).toInt();
    };
    const int first = insertGroup(QStringLiteral("Lobby"));
    const int second = insertGroup(QStringLiteral("O'Hare; DROP TABLE Doors"));
    EXPECT_GT(first, 0);
    EXPECT_EQ(second, first + 1);
    Command read(conn(), QStringLiteral("SELECT GroupName FROM Status_Groups WHERE GroupID = ?"));
    read.appendParameter(QStringLiteral("@GroupID"), so::db::ParamType::Integer, ParamDirection::Input, 4, second);
    EXPECT_EQ(read.open().field(QStringLiteral("GroupName")).toString(), QStringLiteral("O'Hare; DROP TABLE Doors"));
}

TEST_P(DbLayer, ProcedureCallsWrittenAsTextBindTheirLiteralArguments) {
    QStringList doors;
    for (Recordset rs = conn().query(QStringLiteral("STATUS_Fetch_Doors 1")); !rs.eof(); rs.moveNext())
        doors << rs.field(QStringLiteral("doorname")).toString();
    EXPECT_EQ(doors, (QStringList{"Front", "Back"}));
    EXPECT_FALSE(conn().query(QStringLiteral("[status_fetch_doors] 2")).eof());
    EXPECT_TRUE(conn().query(QStringLiteral("EXEC STATUS_Fetch_Doors")).eof());  // missing argument: NULL

    // The last row set is returned; a literal looking like a parameter stays a literal.
    Recordset echo = conn().query(QStringLiteral("KSP_Echo N'it''s'"));
    EXPECT_EQ(echo.field(QStringLiteral("Shout")).toString(), QStringLiteral("it's!"));
    EXPECT_EQ(echo.field(QStringLiteral("TextIsNull")).toInt(), 0);
    echo.close();
    EXPECT_EQ(conn().query(QStringLiteral("KSP_Echo NULL")).field(QStringLiteral("TextIsNull")).toInt(), 1);
}

TEST_P(DbLayer, UnknownProcedureAndWrongArgumentsAreDbErrors) {
    try {
        conn().query(QStringLiteral("KSP_Does_Not_Exist 1, 'a'"));
        FAIL() << "no DbError";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unknown procedure KSP_Does_Not_Exist"));
    }
    try {
        conn().query(QStringLiteral("STATUS_Fetch_Doors 1, 2"));
        FAIL() << "no DbError";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("takes 1 arguments; 2 were given"))) << e.what();
    }
    Command cmd(conn(), QStringLiteral("KSP_Nothing; DROP TABLE Doors"));
    cmd.setProcedure(true);
    EXPECT_THROW(cmd.execute(), DbError);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Doors")), 3);
}

TEST_P(DbLayer, FailingStatementCarriesStatementAndDriverMessage) {
    try {
        conn().query(QStringLiteral("SELECT NoSuchColumn FROM Doors WHERE Address = N'a'"));
        FAIL() << "no DbError";
    } catch (const DbError& e) {
        EXPECT_EQ(e.statement(), QStringLiteral("SELECT NoSuchColumn FROM Doors WHERE Address = N'a'"));
        EXPECT_TRUE(e.driverMessage().contains(QLatin1String("NoSuchColumn"), Qt::CaseInsensitive)) << e.what();
        EXPECT_TRUE(e.message().contains(QLatin1String("WHERE Address = 'a'"))) << e.what();  // as sent
    }
}

// Two rewrites whose results the site's statements depend on: LEN ignores trailing blanks, and a
// table hint is accepted and ignored.
TEST_P(DbLayer, RewrittenLenAndNoLockReturnTheirRows) {
    conn().execute(QStringLiteral("CREATE TABLE status_points2 (listaddress TEXT)"));
    conn().execute(QStringLiteral("INSERT INTO status_points2 VALUES ('\\\\SNET1.01.DR01  '), ('\\\\SNET1.01.IN02')"));
    QStringList controllers;
    for (Recordset rs = conn().query(
             QStringLiteral("Select distinct left(listaddress, len(listaddress) - 5) from status_points2"));
         !rs.eof(); rs.moveNext())
        controllers << rs.field(0).toString();
    EXPECT_EQ(controllers, QStringList{"\\\\SNET1.01"});  // trailing blanks do not count in LEN

    Recordset door =
        conn().query(QStringLiteral("Select [DoorName] From Doors (NOLOCK) Where Address = '\\\\SNET1.01.DR01'"));
    ASSERT_FALSE(door.eof());
    EXPECT_EQ(door.field(QStringLiteral("DoorName")).toString(), QStringLiteral("Front"));
}

TEST_P(DbLayer, ProcedureBodiesAreReadAgainAfterTheProcedureTableChanges) {
    EXPECT_FALSE(conn().query(QStringLiteral("STATUS_Fetch_Doors 1")).eof());
    conn().execute(
        QStringLiteral("UPDATE sys_procedures SET body = 'SELECT DoorName FROM Doors WHERE 0 = :ControllerID' "
                       "WHERE name = 'STATUS_Fetch_Doors'"));
    EXPECT_TRUE(conn().query(QStringLiteral("STATUS_Fetch_Doors 1")).eof());
}

TEST(DbConnection, MalformedUrlsAreDbErrorsThatHideSecrets) {
    const char* const urls[] = {
        "", "sqlite:", "sqlite:   ", "odbc:", "memory", "postgres://host/db", "odbcx:DRIVER={X};PWD=secret;"};
    for (const char* url : urls) {
        SCOPED_TRACE(url);
        try {
            Connection::open(QString::fromUtf8(url));
            ADD_FAILURE() << "no DbError";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.message().startsWith(QLatin1String("Malformed database url"))) << e.what();
            EXPECT_FALSE(e.message().contains(QLatin1String("secret"))) << e.what();
        }
    }
    EXPECT_THROW(Connection::open(QStringLiteral("sqlite:/no/such/folder/site.db")), DbError);
}

TEST(DbConnection, InMemoryDatabasesArePrivateToTheirConnection) {
    auto a = Connection::open(QStringLiteral("sqlite::memory:"));
    auto b = Connection::open(QStringLiteral("sqlite::memory:"));
    EXPECT_NE(so::db::qtConnectionName(*a), so::db::qtConnectionName(*b));
    a->execute(QStringLiteral("CREATE TABLE OnlyInA (x INTEGER)"));
    EXPECT_THROW(b->query(QStringLiteral("SELECT x FROM OnlyInA")), DbError);
}

TEST(DbConnection, FileDatabaseUsesTheWriteAheadLogAndIsSharedBetweenConnections) {
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db"));
    auto writer = Connection::open(url);
    EXPECT_EQ(writer->query(QStringLiteral("PRAGMA journal_mode")).field(0).toString(), QStringLiteral("wal"));
    writer->execute(QStringLiteral("CREATE TABLE t (x INTEGER)"));
    writer->execute(QStringLiteral("INSERT INTO t VALUES (41)"));
    auto reader = Connection::open(url);
    EXPECT_EQ(reader->query(QStringLiteral("SELECT x + 1 FROM t")).field(0).toInt(), 42);
}

}  // namespace
