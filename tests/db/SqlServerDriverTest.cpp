// The SQL Server-like test driver holds to the server's rules, so that tests on it catch what a
// real site would refuse: one command with pending results per connection, row counts before a
// procedure's rows, output parameters after the last result, dates read in the login's date
// order, column lengths. Checked through Qt's QODBC (as the component reaches it) and, where Qt
// hides the order of events, through the ODBC API itself.
#include "db/ConnectionImpl.h"
#include "support/SqlServerLike.h"

#include "site/SiteSchema.h"

#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlField>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

using namespace so;
using so::test::SqlServerLike;

namespace {

class SqlServerDriver : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = SqlServerLike::skipReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        file_ = dir_.filePath(QStringLiteral("site.db"));
        auto site = db::Connection::open(QStringLiteral("sqlite:") + file_);
        db::createSiteSchema(*site);
        // A procedure that writes before its rows, and one that says SET NOCOUNT ON.
        site->execute(
            QStringLiteral("INSERT INTO sys_procedures (name, params, body) VALUES "
                           "('Test_Touch_Then_List', '', 'UPDATE Status_Groups SET SiteID = SiteID; SELECT GroupName "
                           "FROM Status_Groups "
                           "ORDER BY GroupID'), "
                           "('Test_Quiet_Insert', 'GroupName,ReturnedID OUTPUT', 'SET NOCOUNT ON; INSERT INTO "
                           "Status_Groups (GroupName) "
                           "VALUES (:GroupName); SELECT last_insert_rowid() AS ReturnedID')"));
        site->execute(QStringLiteral("INSERT INTO Status_Groups (GroupName) VALUES ('Lobby'), ('Yard'), ('Roof')"));
    }

    std::unique_ptr<db::Connection> open(const QString& extra = {}) {
        return db::Connection::open(SqlServerLike::url(file_, extra));
    }
    QString odbcConnectionString() const { return SqlServerLike::url(file_).mid(5); }

    QTemporaryDir dir_;
    QString file_;
};

QSqlDatabase qt(db::Connection& connection) {
    return QSqlDatabase::database(so::db::qtConnectionName(connection), false);
}

/// A connection through the driver manager's ODBC API, for what Qt does not show.
class RawOdbc {
public:
    explicit RawOdbc(const QString& connectionString) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        QByteArray text = connectionString.toUtf8();
        connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                    nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
    }
    ~RawOdbc() {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    bool connected() const { return connected_; }
    SQLHSTMT stmt() const { return stmt_; }
    SQLRETURN run(const char* sql) {
        return SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    }
    SQLSMALLINT columns() {
        SQLSMALLINT n = -1;
        SQLNumResultCols(stmt_, &n);
        return n;
    }
    SQLLEN rowCount() {
        SQLLEN n = -2;
        SQLRowCount(stmt_, &n);
        return n;
    }

private:
    SQLHENV env_ = SQL_NULL_HANDLE;
    SQLHDBC dbc_ = SQL_NULL_HANDLE;
    SQLHSTMT stmt_ = SQL_NULL_HANDLE;
    bool connected_ = false;
};

TEST_F(SqlServerDriver, ReportsItselfAsSqlServerAndRunsTSqlWithoutTheRewriterOfTheClient) {
    auto connection = open();
    EXPECT_FALSE(connection->usesCompatibilityLayer());
    EXPECT_EQ(qt(*connection).driver()->dbmsType(), QSqlDriver::MSSqlServer);
    EXPECT_THROW(connection->query(QStringLiteral("SELECT sqlite_version()")), db::DbError);
    db::Recordset rs = connection->query(QStringLiteral(
        "SELECT TOP 1 LEFT(GroupName, 3) AS Short FROM Status_Groups (NOLOCK) WHERE GroupName <> N'Lobby' "
        "ORDER BY GroupID"));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toString(), QStringLiteral("Yar"));
    rs.close();

    // The catalogue Qt asks for its table and record lookups.
    EXPECT_TRUE(qt(*connection).tables().contains(QStringLiteral("Status_Groups")));
    const QSqlRecord record = qt(*connection).record(QStringLiteral("Status_Groups"));
    EXPECT_EQ(record.count(), 3);
    EXPECT_EQ(record.field(QStringLiteral("GroupName")).metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(record.field(QStringLiteral("GroupID")).metaType(), QMetaType::fromType<int>());
}

TEST_F(SqlServerDriver, ASecondCommandWhileRowsArePendingIsRefusedUntilTheyAreReadOrClosed) {
    auto connection = open();
    QSqlQuery reading(qt(*connection));
    reading.setForwardOnly(true);
    QSqlQuery other(qt(*connection));
    ASSERT_TRUE(reading.exec(QStringLiteral("SELECT GroupName FROM Status_Groups")));
    ASSERT_TRUE(reading.next());
    EXPECT_FALSE(other.exec(QStringLiteral("SELECT 1")));
    EXPECT_TRUE(other.lastError().text().contains(QLatin1String("Connection is busy with results for another command")))
        << other.lastError().text().toStdString();
    EXPECT_THROW(connection->beginTransaction(), db::DbError);

    while (reading.next()) {
    }
    EXPECT_TRUE(other.exec(QStringLiteral("SELECT 1")));
    other.finish();

    ASSERT_TRUE(reading.exec(QStringLiteral("SELECT GroupName FROM Status_Groups")));
    ASSERT_TRUE(reading.next());
    reading.finish();
    EXPECT_TRUE(other.exec(QStringLiteral("SELECT 1")));
}

TEST_F(SqlServerDriver, AProcedureThatWritesFirstGivesItsRowCountBeforeItsRows) {
    auto connection = open();
    QSqlQuery call(qt(*connection));
    call.setForwardOnly(true);
    ASSERT_TRUE(call.exec(QStringLiteral("Test_Touch_Then_List"))) << call.lastError().text().toStdString();
    EXPECT_FALSE(call.isSelect());
    EXPECT_EQ(call.numRowsAffected(), 3);
    ASSERT_TRUE(call.nextResult());
    ASSERT_TRUE(call.isSelect());
    QStringList names;
    while (call.next())
        names << call.value(0).toString();
    EXPECT_EQ(names, QStringList({"Lobby", "Yard", "Roof"}));
}

TEST_F(SqlServerDriver, OutputParametersArriveWhenTheLastResultIsConsumed) {
    RawOdbc odbc(odbcConnectionString());
    ASSERT_TRUE(odbc.connected());
    struct Case {
        const char* call;
        bool rowCountFirst;
    };
    const Case cases[] = {{"{CALL KSP_Insert_Status_Group(?, ?, ?)}", true}, {"{CALL Test_Quiet_Insert(?, ?)}", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        const bool quiet = !c.rowCountFirst;
        SQLINTEGER site = 1;
        char name[] = "Dock";
        SQLINTEGER id = -7;
        SQLLEN siteLength = 0, nameLength = SQL_NTS, idLength = SQL_NULL_DATA;
        SQLUSMALLINT n = 1;
        SQLFreeStmt(odbc.stmt(), SQL_RESET_PARAMS);
        if (!quiet)
            SQLBindParameter(odbc.stmt(), n++, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &site, 0, &siteLength);
        SQLBindParameter(odbc.stmt(), n++, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, name, 0, &nameLength);
        SQLBindParameter(odbc.stmt(), n++, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &idLength);
        ASSERT_TRUE(SQL_SUCCEEDED(odbc.run(c.call)));
        if (c.rowCountFirst) {
            EXPECT_EQ(odbc.columns(), 0);
            EXPECT_EQ(odbc.rowCount(), 1);
            EXPECT_EQ(id, -7) << "the output parameter came before the row count was consumed";
        }
        EXPECT_EQ(SQLMoreResults(odbc.stmt()), SQL_NO_DATA);
        EXPECT_EQ(idLength, SQLLEN(sizeof id));
        const QString newest = QStringLiteral("SELECT max(GroupID) FROM Status_Groups");
        EXPECT_EQ(id, db::Connection::open(QStringLiteral("sqlite:") + file_)->query(newest).field(0).toInt());
    }
}

TEST_F(SqlServerDriver, TextIntoADateColumnIsReadInTheLoginsDateOrderAndTypedDatesAreNot) {
    struct Case {
        const char* language;
        QVariant value;
        QDateTime stored;  // invalid: refused
    };
    const QDateTime march5(QDate(2024, 3, 5), QTime(10, 0));
    const QDateTime may3(QDate(2024, 5, 3), QTime(10, 0));
    const Case cases[] = {
        {"", QStringLiteral("2024-03-05 10:00:00"), march5},
        {"LANGUAGE=dmy", QStringLiteral("2024-03-05 10:00:00"), may3},
        {"LANGUAGE=dmy", QStringLiteral("2024-03-13 10:00:00"), QDateTime()},
        {"LANGUAGE=dmy", QStringLiteral("2024-03-05T10:00:00"), march5},
        {"LANGUAGE=dmy", QStringLiteral("03/05/2024 10:00"), may3},
        {"", QStringLiteral("03/05/2024 10:00"), march5},
        {"LANGUAGE=dmy", march5, march5},
        {"", QStringLiteral("yesterday"), QDateTime()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.value.toString().toStdString());
        auto connection = open(QString::fromLatin1(c.language));
        db::Command insert(
            *connection, QStringLiteral("INSERT INTO EventLog (EventTime, Description, EventCode) VALUES (?, 'x', 1)"));
        const bool typed = c.value.typeId() == QMetaType::QDateTime;
        insert.appendParameter(QStringLiteral("@EventTime"), typed ? db::ParamType::DateTime : db::ParamType::VarChar,
                               db::ParamDirection::Input, 30, c.value);
        if (!c.stored.isValid()) {
            EXPECT_THROW(insert.execute(), db::DbError);
            continue;
        }
        insert.execute();
        db::Recordset rs =
            connection->query(QStringLiteral("SELECT TOP 1 EventTime FROM EventLog ORDER BY EventID DESC"));
        ASSERT_FALSE(rs.eof());
        EXPECT_EQ(rs.field(0).toDateTime(), c.stored);
    }
}

// Qt binds a string of 127 characters or more as ntext; the database layer still compares it.
TEST_F(SqlServerDriver, ALongStringComparesThroughTheDatabaseLayer) {
    auto connection = open();
    for (const int length : {64, 127, 4000}) {
        db::Command command(*connection, QStringLiteral("SELECT GroupName FROM Status_Groups WHERE GroupName = ?"));
        command.appendParameter(QStringLiteral("@GroupName"), db::ParamType::NVarChar, db::ParamDirection::Input,
                                length, QString(length, u'x'));
        try {
            EXPECT_TRUE(command.open().eof()) << length;
        } catch (const db::DbError& e) {
            ADD_FAILURE() << length << ": " << e.what();
        }
    }
}

TEST_F(SqlServerDriver, AStringLongerThanItsColumnIsRefused) {
    auto connection = open();
    struct Case {
        const char* statement;
        int length;
        bool accepted;
    };
    const Case cases[] = {
        {"INSERT INTO Status_Groups (GroupName) VALUES (?)", 50, true},
        {"INSERT INTO Status_Groups (GroupName) VALUES (?)", 51, false},
        {"UPDATE Status_Groups SET GroupName = ? WHERE GroupName = 'Lobby'", 51, false},
        {"INSERT INTO ComponentLocks (Kind, ComponentID, Holder, WorkstationName) VALUES (37, 1, ?, 'WS1')", 101,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.statement) + " " + std::to_string(c.length));
        db::Command command(*connection, QString::fromLatin1(c.statement));
        command.appendParameter(QStringLiteral("@Text"), db::ParamType::NVarChar, db::ParamDirection::Input, 100,
                                QString(c.length, u'é'));
        if (c.accepted) {
            EXPECT_EQ(command.execute(), 1);
        } else {
            try {
                command.execute();
                ADD_FAILURE() << "accepted";
            } catch (const db::DbError& e) {
                EXPECT_TRUE(e.driverMessage().contains(QLatin1String("String or binary data would be truncated")))
                    << e.driverMessage().toStdString();
            }
        }
    }
    EXPECT_EQ(connection->query(QStringLiteral("SELECT count(*) FROM Status_Groups WHERE GroupName = 'Lobby'"))
                  .field(0)
                  .toInt(),
              1);
}

TEST_F(SqlServerDriver, TransactionsCommitAndRollBack) {
    auto connection = open();
    {
        db::Transaction transaction(*connection);
        connection->execute(QStringLiteral("DELETE FROM Status_Groups"));
    }
    EXPECT_EQ(connection->query(QStringLiteral("SELECT count(*) FROM Status_Groups")).field(0).toInt(), 3);
    db::Transaction transaction(*connection);
    connection->execute(QStringLiteral("DELETE FROM Status_Groups WHERE GroupName = 'Roof'"));
    transaction.commit();
    EXPECT_EQ(open()->query(QStringLiteral("SELECT count(*) FROM Status_Groups")).field(0).toInt(), 2);
}

TEST_F(SqlServerDriver, ALongStringIsStoredButNotCompared) {
    auto connection = open();
    struct Case {
        const char* statement;
        int length;
        bool accepted;
    };
    const Case cases[] = {
        {"UPDATE Profile_Details SET DetailValue = ? WHERE ProfileID = 0", 1000, true},
        {"INSERT INTO Profile_Details (ProfileID, ObjectID, DetailName, DetailValue) VALUES (0, 10, 'Layout', ?)", 1000,
         true},
        {"SELECT count(*) FROM Profile_Details WHERE DetailValue = ?", 100, true},
        {"SELECT count(*) FROM Profile_Details WHERE DetailValue = ?", 1000, false},
        {"SELECT count(*) FROM Profile_Details WHERE ? <> DetailValue", 1000, false},
        {"SELECT count(*) FROM Profile_Details WHERE DetailValue IN (?)", 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.statement) + " " + std::to_string(c.length));
        QSqlQuery query(qt(*connection));
        ASSERT_TRUE(query.prepare(QString::fromLatin1(c.statement)));
        query.addBindValue(QString(c.length, u'x'));
        EXPECT_EQ(query.exec(), c.accepted) << query.lastError().text().toStdString();
    }
}

// The database layer on the server path: row counts before a procedure's rows are skipped, and the
// output parameter is read once every result is in.
TEST_F(SqlServerDriver, TheDatabaseLayerSkipsLeadingRowCountsAndReadsOutputsLast) {
    auto connection = open();
    QStringList names;
    for (db::Recordset rs = connection->query(QStringLiteral("Test_Touch_Then_List")); !rs.eof(); rs.moveNext())
        names << rs.field(0).toString();
    EXPECT_EQ(names, QStringList({"Lobby", "Yard", "Roof"}));

    db::Command create(*connection, QStringLiteral("KSP_Insert_Status_Group"));
    create.setProcedure(true);
    create.appendParameter(QStringLiteral("@SiteID"), db::ParamType::Integer, db::ParamDirection::Input, 4, 1);
    create.appendParameter(QStringLiteral("@GroupName"), db::ParamType::VarChar, db::ParamDirection::Input, 50,
                           QStringLiteral("Dock"));
    create.appendParameter(QStringLiteral("@ReturnedID"), db::ParamType::Integer, db::ParamDirection::Output, 4);
    create.execute();
    const QVariant id = create.parameterValue(QStringLiteral("@ReturnedID"));
    EXPECT_EQ(id,
              connection->query(QStringLiteral("SELECT GroupID FROM Status_Groups WHERE GroupName = 'Dock'")).field(0));
    EXPECT_GT(id.toInt(), 3);
}

TEST_F(SqlServerDriver, UnderACaseSensitiveCollationNamesMustBeSpelledAsTheSchemaSpellsThem) {
    struct Case {
        const char* statement;
        bool caseSensitiveAccepts;
    };
    const Case cases[] = {
        {"SELECT g.[GroupName] AS groupname FROM Status_Groups g WHERE g.SiteID = 1", true},
        {"SELECT groupname FROM Status_Groups", false},
        {"SELECT GroupName FROM status_groups", false},
        {"KSP_Fetch_ControllersFromAddress 'x'", true},
        {"ksp_fetch_controllersfromaddress 'x'", false},
    };
    auto insensitive = open();
    auto sensitive = open(QStringLiteral("CaseSensitive=yes"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_NO_THROW(insensitive->query(QString::fromLatin1(c.statement)));
        if (c.caseSensitiveAccepts)
            EXPECT_NO_THROW(sensitive->query(QString::fromLatin1(c.statement)));
        else
            EXPECT_THROW(sensitive->query(QString::fromLatin1(c.statement)), db::DbError);
    }
}

TEST_F(SqlServerDriver, WhatIsNotTSqlIsRefusedBeforeItRuns) {
    auto connection = open();
    const char* const refused[] = {
        "SELECT GroupName FROM Status_Groups LIMIT 1",
        "SELECT coalesce(GroupName, '') FROM Status_Groups LIMIT 2 OFFSET 1",
        "SELECT GroupName || 'x' FROM Status_Groups",
        "SELECT IFNULL(GroupName, '') FROM Status_Groups",
        "SELECT GroupID FROM Status_Groups WHERE TRUE",
        "SELECT GroupID FROM Status_Groups WHERE FALSE",
        "INSERT OR IGNORE INTO Status_Groups (GroupName, SiteID) VALUES ('x', 1)",
        "INSERT INTO Status_Groups (GroupID, GroupName, SiteID) VALUES (1, 'x', 1) ON CONFLICT DO NOTHING",
        "REPLACE INTO Status_Groups (GroupID, GroupName) VALUES (1, 'x')",
        "INSERT INTO Status_Groups (GroupName) VALUES ('x') RETURNING GroupID",
        "UPDATE Status_Groups SET GroupName = 'x' WHERE GroupID = 1 RETURNING *",
        "SELECT datetime('now')",
        "SELECT date('now')",
        "SELECT strftime('%Y', 'now')",
        "SELECT julianday('now')",
        "SELECT unixepoch()",
        "SELECT substr(GroupName, 1, 2) FROM Status_Groups",
        "SELECT length(GroupName) FROM Status_Groups",
        "SELECT instr(GroupName, 'o') FROM Status_Groups",
        "SELECT printf('%d', GroupID) FROM Status_Groups",
        "SELECT group_concat(GroupName) FROM Status_Groups",
        "SELECT total(GroupID) FROM Status_Groups",
        "SELECT typeof(GroupID) FROM Status_Groups",
        "SELECT hex(GroupName) FROM Status_Groups",
        "SELECT json_extract(GroupName, '$.a') FROM Status_Groups",
        "SELECT randomblob(4)",
        "SELECT zeroblob(4)",
        "SELECT last_insert_rowid()",
        "SELECT changes()",
        "SELECT sqlite_version()",
        "SELECT GroupName FROM Status_Groups WHERE GroupID == 1",
        "SELECT GroupID << 1 FROM Status_Groups",
        "SELECT GroupName -> '$.a' FROM Status_Groups",
        "SELECT \"GroupName\" FROM Status_Groups",
        "SELECT `GroupName` FROM Status_Groups",
        "SELECT GroupName FROM Status_Groups WHERE GroupName GLOB 'L*'",
        "SELECT GroupName FROM Status_Groups WHERE GroupName REGEXP 'L.*'",
        "SELECT GroupName FROM Status_Groups WHERE GroupName NOTNULL",
        "SELECT GroupName FROM Status_Groups WHERE GroupName ISNULL",
        "SELECT GroupName FROM Status_Groups WHERE GroupID IS 1",
        "SELECT GroupName FROM Status_Groups ORDER BY GroupName COLLATE NOCASE",
        "CREATE TABLE T2 (ID INTEGER PRIMARY KEY AUTOINCREMENT)",
        "CREATE TEMP TABLE T3 (A INT)",
        "CREATE TABLE T4 (A INT PRIMARY KEY) WITHOUT ROWID",
        "PRAGMA table_info(Status_Groups)",
        "ATTACH DATABASE 'other.db' AS other",
        "VACUUM",
        "BEGIN IMMEDIATE",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        try {
            connection->query(QString::fromLatin1(text));
            ADD_FAILURE() << "ran";
        } catch (const db::DbError& e) {
            EXPECT_TRUE((e.message() + e.driverMessage()).contains(QLatin1String("not T-SQL"))) << e.what();
        }
    }
}

TEST_F(SqlServerDriver, TSqlBuiltInsAndStatementFormsRun) {
    auto connection = open();
    struct Accepted {
        const char* text;
        const char* first;
    };
    // The last two write: they come last.
    const Accepted accepted[] = {
        {"SELECT ISNULL(NULL, GroupName) FROM Status_Groups WHERE GroupID = 1", "Lobby"},
        {"SELECT CONVERT(int, '12') + GroupID FROM Status_Groups WHERE GroupID = 1", "13"},
        {"SELECT CAST(GroupID AS VARCHAR(10)) FROM Status_Groups WHERE GroupID = 3", "3"},
        {"SELECT TOP 1 GroupName FROM Status_Groups ORDER BY GroupID DESC", "Roof"},
        {"SELECT 'LIMIT 1 || TRUE' AS [LIMIT] FROM Status_Groups WHERE GroupID = 1 -- IFNULL(", "LIMIT 1 || TRUE"},
        {"SELECT N'text'", "text"},
        {"SELECT GroupName FROM [Status_Groups] WHERE [GroupID] = 2", "Yard"},
        {"SELECT GroupName FROM Status_Groups WITH (NOLOCK) WHERE GroupName LIKE 'R%'", "Roof"},
        {"SELECT LEN(GroupName) FROM Status_Groups WHERE GroupID = 1", "5"},
        {"SELECT LEFT(GroupName, 2) FROM Status_Groups WHERE GroupID = 2", "Ya"},
        {"SELECT RIGHT(GroupName, 3) FROM Status_Groups WHERE GroupID = 1", "bby"},
        {"SELECT SUBSTRING(GroupName, 2, 3) FROM Status_Groups WHERE GroupID = 1", "obb"},
        {"SELECT UPPER(GroupName) FROM Status_Groups WHERE GroupID = 3", "ROOF"},
        {"SELECT LOWER(GroupName) FROM Status_Groups WHERE GroupID = 1", "lobby"},
        {"SELECT LTRIM(RTRIM('  x  '))", "x"},
        {"SELECT REPLACE(GroupName, 'o', '0') FROM Status_Groups WHERE GroupID = 3", "R00f"},
        {"SELECT CHARINDEX('B', GroupName) FROM Status_Groups WHERE GroupID = 1", "3"},
        {"SELECT CHARINDEX('b', GroupName, 4) FROM Status_Groups WHERE GroupID = 1", "4"},
        {"SELECT DATALENGTH(GroupName) FROM Status_Groups WHERE GroupID = 3", "8"},
        {"SELECT DATALENGTH(SPACE(3))", "6"},
        {"SELECT CONCAT(GroupName, '-', GroupID, NULL) FROM Status_Groups WHERE GroupID = 2", "Yard-2"},
        {"SELECT REPLICATE('ab', 3)", "ababab"},
        {"SELECT COALESCE(NULL, NULL, 'z')", "z"},
        {"SELECT NULLIF(GroupID, 1) FROM Status_Groups WHERE GroupID = 1", ""},
        {"SELECT IIF(GroupID > 1, 'big', 'small') FROM Status_Groups WHERE GroupID = 1", "small"},
        {"SELECT CASE WHEN GroupID = 1 THEN 'one' ELSE 'other' END FROM Status_Groups WHERE GroupID = 1", "one"},
        {"SELECT ABS(-4)", "4"},
        {"SELECT ROUND(2.567, 1)", "2.6"},
        {"SELECT GroupID % 2 FROM Status_Groups WHERE GroupID = 3", "1"},
        {"SELECT COUNT(*) FROM Status_Groups", "3"},
        {"SELECT SUM(GroupID) FROM Status_Groups", "6"},
        {"SELECT MAX(GroupName) FROM Status_Groups", "Yard"},
        {"SELECT LEN(STRING_AGG(GroupName, ', ')) FROM Status_Groups", "17"},
        {"SELECT STRING_AGG(NULLIF(GroupName, 'Yard'), '+') FROM Status_Groups WHERE GroupID < 3", "Lobby"},
        {"SELECT GroupName FROM Status_Groups ORDER BY GroupID OFFSET 1 ROWS FETCH NEXT 1 ROWS ONLY", "Yard"},
        {"SELECT GroupName FROM Status_Groups ORDER BY GroupID OFFSET 2 ROWS", "Roof"},
        {"SELECT GroupName FROM (SELECT GroupName, ROW_NUMBER() OVER (ORDER BY GroupName DESC) AS N "
         "FROM Status_Groups) x WHERE N = 1",
         "Yard"},
        {"WITH Named (ID, Name) AS (SELECT GroupID, GroupName FROM Status_Groups) SELECT Name FROM Named WHERE ID = 2",
         "Yard"},
        {"SELECT GroupName FROM Status_Groups WHERE GroupID IN (SELECT TOP 1 GroupID FROM Status_Groups ORDER BY "
         "GroupID)",
         "Lobby"},
        {"SELECT g.GroupName FROM Status_Groups g WHERE EXISTS (SELECT 1 FROM Status_Groups h WHERE h.GroupID = "
         "g.GroupID + 1) ORDER BY g.GroupID DESC",
         "Yard"},
        {"SELECT GroupName FROM Status_Groups WHERE GroupName IS NOT NULL AND GroupID BETWEEN 3 AND 4", "Roof"},
        {"SELECT YEAR('2024-03-05T10:00:00')", "2024"},
        {"SELECT MONTH('2024-03-05 10:00:00')", "3"},
        {"SELECT DAY('2024-03-05')", "5"},
        {"SELECT DATEPART(hour, '2024-03-05T10:20:00')", "10"},
        {"SELECT DATEADD(day, 30, '2024-03-05T10:00:00')", "2024-04-04T10:00:00.000"},
        {"SELECT DATEADD(mi, -90, '2024-03-05T10:00:00')", "2024-03-05T08:30:00.000"},
        {"SELECT DATEDIFF(minute, '2024-03-05T10:00:00', '2024-03-05T11:30:00')", "90"},
        {"SELECT DATEDIFF(day, '2024-03-05T23:59:00', '2024-03-06T00:01:00')", "1"},
        {"SELECT CASE WHEN GETDATE() > '2020-01-01' AND GETUTCDATE() > '2020-01-01' THEN 'now' END", "now"},
        {"SELECT LEN(NEWID())", "36"},
        {"UPDATE Status_Groups SET SiteID = 1 WHERE GroupID < 3; SELECT @@ROWCOUNT", "2"},
        {"INSERT INTO Status_Groups (GroupName, SiteID) VALUES ('Gate', 1); SELECT SCOPE_IDENTITY()", "4"},
    };
    for (const Accepted& a : accepted) {
        SCOPED_TRACE(a.text);
        try {
            EXPECT_EQ(connection->query(QString::fromLatin1(a.text)).field(0).toString(), QString::fromLatin1(a.first));
        } catch (const db::DbError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(SqlServerDriver, ALockHeldElsewhereEndsTheWaitAsBusyWithinTheConnectionsBound) {
    auto holder = db::Connection::open(QStringLiteral("sqlite:") + file_);
    QSqlQuery begin(QSqlDatabase::database(so::db::qtConnectionName(*holder), false));
    ASSERT_TRUE(begin.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    auto connection = open();
    QElapsedTimer clock;
    clock.start();
    const QString write = QStringLiteral("UPDATE Status_Groups SET SiteID = 1");
    try {
        connection->execute(write);
        FAIL() << "wrote through an exclusive lock";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.isBusy()) << e.what();
    }
    EXPECT_LT(clock.elapsed(), 3 * db::Connection::kDefaultBusyTimeoutMs + 300) << "the lock timeout was set";
    connection->setBusyTimeout(50);
    clock.restart();
    EXPECT_THROW(connection->execute(write), db::DbError);
    EXPECT_LT(clock.elapsed(), 3 * 50 + 300);
}

}  // namespace
