// The T-SQL compatibility layer: each rewrite, text that must stay untouched, procedure calls
// written as text, statement splitting and the texts it must refuse.
#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <gtest/gtest.h>

using so::db::DbError;
using namespace so::db::tsql;

namespace {

struct RewriteCase {
    const char* name;
    const char* input;
    const char* expected;
};

void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.input; }

class Rewrites : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(Rewrites, GiveSqliteText) {
    EXPECT_EQ(rewrite(QString::fromUtf8(GetParam().input)).toStdString(), GetParam().expected);
}

const RewriteCase kRewrites[] = {
    {"NationalLiteral", "KSP_X N'WS1'", "KSP_X N'WS1'"},  // a procedure call is not rewritten
    {"NationalLiteralInWhere", "Select * From T Where Name = N'O''Brien' and X = n'a'",
     "Select * From T Where Name = 'O''Brien' and X = 'a'"},
    {"Top", "SELECT TOP 5 Name FROM T ORDER BY Name", "SELECT Name FROM T ORDER BY Name LIMIT 5"},
    {"DistinctTopParenthesised", "select distinct top (3) Address from T", "select distinct Address from T LIMIT 3"},
    {"TopInSubQuery",
     "Select [Name] From ThreatLevels Where ThreatID = (Select TOP 1 ThreatLevel from ZRII_Readers where "
     "ControllerID = 5 order by ThreatLevel Desc)",
     "Select [Name] From ThreatLevels Where ThreatID = (Select ThreatLevel from ZRII_Readers where "
     "ControllerID = 5 order by ThreatLevel Desc LIMIT 1)"},
    {"TopBeforeTrailingComment", "SELECT TOP 2 a FROM t -- first two\n", "SELECT a FROM t LIMIT 2 -- first two\n"},
    {"NoLock", "Select [DoorName] From Doors (NOLOCK) Where Active = 1 and Address = '\\\\SNET1.01.DR01'",
     "Select [DoorName] From Doors Where Active = 1 and Address = '\\\\SNET1.01.DR01'"},
    {"WithHintList", "SELECT a FROM t WITH (NOLOCK, ROWLOCK) WHERE b = 1", "SELECT a FROM t WHERE b = 1"},
    {"Left", "Select Address From T Where Address = LEFT(ZRII_Relays.Address,15)",
     "Select Address From T Where Address = substr(ZRII_Relays.Address, 1,15)"},
    {"LeftAndLen", "Select distinct left(listaddress, len(listaddress) - 5) from Controllers",
     "Select distinct substr(listaddress, 1, length(rtrim(listaddress)) - 5) from Controllers"},
    {"NestedLeft", "SELECT LEFT(LEFT(a, 4), 2) FROM t", "SELECT substr(substr(a, 1, 4), 1, 2) FROM t"},
    {"IsNull", "SELECT ISNULL(a, LEFT(b, 2)) FROM t", "SELECT coalesce(a, substr(b, 1, 2)) FROM t"},
    {"Convert", "SELECT CONVERT(varchar(10), a + 1) FROM t", "SELECT CAST(a + 1 AS varchar(10)) FROM t"},
    {"ConvertWithStyleKept", "SELECT CONVERT(varchar, d, 103) FROM t", "SELECT CONVERT(varchar, d, 103) FROM t"},
    {"LeftJoinIsNotAFunction", "SELECT * FROM a LEFT JOIN (SELECT id FROM b) x ON a.id = x.id",
     "SELECT * FROM a LEFT JOIN (SELECT id FROM b) x ON a.id = x.id"},
    {"LeftOuterJoinChainKept",
     "SELECT * FROM Doors INNER JOIN Controllers ON Doors.ControllerID = Controllers.Controller_ID "
     "LEFT OUTER JOIN ServerPorts ON Controllers.PortID = ServerPorts.PortID Where Doors.Address = ?",
     "SELECT * FROM Doors INNER JOIN Controllers ON Doors.ControllerID = Controllers.Controller_ID "
     "LEFT OUTER JOIN ServerPorts ON Controllers.PortID = ServerPorts.PortID Where Doors.Address = ?"},
    {"NestedJoin", "SELECT * FROM A INNER JOIN B INNER JOIN C ON c1 INNER JOIN D ON d1 ON a1 WHERE x",
     "SELECT * FROM A INNER JOIN (B INNER JOIN C ON c1 INNER JOIN D ON d1) ON a1 WHERE x"},
    {"KeypadQueryOfStatusIntake",
     "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, ZRII_Modules.Online, "
     "ZRII_Readers.Address AS ReaderAddress FROM         ZRII_Modules INNER JOIN ZRII_Readers INNER JOIN "
     "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN ZRII_Keypads ON "
     "ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID ON ZRII_Modules.ID = ZRII_Keypads.KeypadModuleID WHERE     "
     "(ZRII_Modules.Address = '\\\\ZRII1.01.MD01')",
     "SELECT     ZRII_Keypads.PhysicalTamperLockout, ZRII_Keypads.CodeTamperLockout, ZRII_Modules.Online, "
     "ZRII_Readers.Address AS ReaderAddress FROM         ZRII_Modules INNER JOIN (ZRII_Readers INNER JOIN "
     "ZRII_KeypadsInReader ON ZRII_Readers.ReaderID = ZRII_KeypadsInReader.ReaderID INNER JOIN ZRII_Keypads ON "
     "ZRII_KeypadsInReader.KeypadID = ZRII_Keypads.ID) ON ZRII_Modules.ID = ZRII_Keypads.KeypadModuleID WHERE     "
     "(ZRII_Modules.Address = '\\\\ZRII1.01.MD01')"},
    {"ReaderBranchOfRefresh",
     "SELECT     ZRII_Keypads.PhysicalTamperLockout, (Select ZRII_Controllers.[Online] From ZRII_Controllers Where "
     "Address = LEFT(ZRII_Keypads.Address,15)) as ControllerOnline FROM         ZRII_Modules INNER JOIN "
     "ZRII_Readers INNER JOIN ZRII_KeypadsInReader ON r1 INNER JOIN ZRII_Keypads ON k1 ON m1 WHERE     "
     "(ZRII_Readers.Address = 'x')",
     "SELECT     ZRII_Keypads.PhysicalTamperLockout, (Select ZRII_Controllers.[Online] From ZRII_Controllers Where "
     "Address = substr(ZRII_Keypads.Address, 1,15)) as ControllerOnline FROM         ZRII_Modules INNER JOIN "
     "(ZRII_Readers INNER JOIN ZRII_KeypadsInReader ON r1 INNER JOIN ZRII_Keypads ON k1) ON m1 WHERE     "
     "(ZRII_Readers.Address = 'x')"},
    {"OnOutsideJoinsKept", "CREATE TABLE p (g INTEGER REFERENCES g(id) ON DELETE CASCADE)",
     "CREATE TABLE p (g INTEGER REFERENCES g(id) ON DELETE CASCADE)"},
    // Inside literals, quoted names and comments nothing changes.
    {"LiteralsUntouched",
     "SELECT 'N''x TOP 1 LEFT(a, 2) LEN(b) (NOLOCK) [x]' AS [TOP 1], \"LEFT(\" FROM t WHERE n = N'TOP 1 N''q'",
     "SELECT 'N''x TOP 1 LEFT(a, 2) LEN(b) (NOLOCK) [x]' AS [TOP 1], \"LEFT(\" FROM t WHERE n = 'TOP 1 N''q'"},
    {"BracketedNamesKept", "SELECT [Index], [LEFT(x,1)], [a]]b] FROM [Top] (NOLOCK)",
     "SELECT [Index], [LEFT(x,1)], [a]]b] FROM [Top] "},
    {"CommentsUntouched", "SELECT a /* TOP 1 LEFT(x, 1) N'y' */ FROM t -- WITH (NOLOCK) LEN(z)\nWHERE b = 1",
     "SELECT a /* TOP 1 LEFT(x, 1) N'y' */ FROM t -- WITH (NOLOCK) LEN(z)\nWHERE b = 1"},
};

INSTANTIATE_TEST_SUITE_P(TSql, Rewrites, ::testing::ValuesIn(kRewrites),
                         [](const auto& info) { return std::string(info.param.name); });

struct CallCase {
    const char* text;
    const char* name;
    QVariantList arguments;
};

TEST(TSqlProcedureCalls, ParseNameAndLiteralArguments) {
    const CallCase cases[] = {
        {"STATUS_Fetch_Doors 12", "STATUS_Fetch_Doors", {12LL}},
        {"[ZRII_Status_Fetch_InputInfo] 12", "ZRII_Status_Fetch_InputInfo", {12LL}},
        {"KSP_Fetch_Status_Doors N'WS1'", "KSP_Fetch_Status_Doors", {QStringLiteral("WS1")}},
        {"KSP_Fetch_Status_XOutputs N''", "KSP_Fetch_Status_XOutputs", {QString()}},
        {"KSP_Update_Profile_Persisted_Details 5, 10, 'Height', '5000'",
         "KSP_Update_Profile_Persisted_Details",
         {5LL, 10LL, QStringLiteral("Height"), QStringLiteral("5000")}},
        {"KSP_Update_Profile_Persisted_Details 5, 10, 'ColumnHeaderPos0', N'a]''b;c'",
         "KSP_Update_Profile_Persisted_Details",
         {5LL, 10LL, QStringLiteral("ColumnHeaderPos0"), QStringLiteral("a]'b;c")}},
        {"KSP_Fetch_ControllersFromAddress  '\\\\SNET1.01'",
         "KSP_Fetch_ControllersFromAddress",
         {QStringLiteral("\\\\SNET1.01")}},
        {"EXEC dbo.[Do It] -5, NULL, 1.5, +2", "Do It", {-5LL, QVariant(), 1.5, 2LL}},
        {"execute NoArgs", "NoArgs", {}},
        {"  NoArgs  -- trailing comment\n", "NoArgs", {}},
    };
    for (const CallCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Translation t = translate(QString::fromUtf8(c.text));
        ASSERT_TRUE(t.call.has_value());
        EXPECT_TRUE(t.statements.isEmpty());
        EXPECT_EQ(t.call->name, QString::fromUtf8(c.name));
        EXPECT_EQ(t.call->arguments, c.arguments);
        // Null and empty text are different arguments.
        for (int i = 0; i < c.arguments.size(); ++i)
            EXPECT_EQ(t.call->arguments[i].isNull(), c.arguments[i].isNull());
    }
}

TEST(TSqlStatements, OneStatementPerTextSemicolonsInLiteralsAndBlocksDoNotCount) {
    const struct {
        const char* text;
        const char* rewritten;
        int placeholders;
    } cases[] = {
        {"INSERT INTO t VALUES (N'a;b', ?); ;", "INSERT INTO t VALUES ('a;b', ?)", 1},
        {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN 1 THEN 2 END; DELETE FROM v; END;",
         "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN 1 THEN 2 END; DELETE FROM v; END", 0},
        {"SELECT TOP 1 x FROM t WHERE y = ? AND z = ? -- ; DELETE FROM t",
         "SELECT x FROM t WHERE y = ? AND z = ? LIMIT 1", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Translation t = translate(QString::fromUtf8(c.text));
        ASSERT_FALSE(t.call.has_value());
        ASSERT_EQ(t.statements.size(), 1);
        EXPECT_TRUE(t.statements[0].text.startsWith(QString::fromUtf8(c.rewritten)))
            << t.statements[0].text.toStdString();
        EXPECT_EQ(t.statements[0].placeholders, c.placeholders);
        EXPECT_FALSE(t.touchesProcedureTable);
    }
    EXPECT_TRUE(translate(QStringLiteral("DELETE FROM [SYS_Procedures]")).touchesProcedureTable);
}

TEST(TSqlRefusals, UnparsableTextsGiveClearErrors) {
    const struct {
        const char* text;
        const char* messagePart;
    } cases[] = {
        {"SELECT * FROM t WHERE a = 'open", "unterminated string literal"},
        {"SELECT * FROM t WHERE a = N'open", "unterminated string literal"},
        {"SELECT [open FROM t", "unterminated bracketed name"},
        {"SELECT a /* open", "unterminated comment"},
        {"SELECT (a FROM t", "unbalanced parentheses"},
        {"SELECT a) FROM t", "unbalanced parentheses"},
        {"   -- nothing\n", "The statement is empty"},
        {"STATUS_Fetch_Doors Address", "Argument 1 of procedure STATUS_Fetch_Doors is not a literal value: Address"},
        {"STATUS_Fetch_Doors 1, ?", "Argument 2 of procedure STATUS_Fetch_Doors is not a literal value: ?"},
        {"STATUS_Fetch_Doors 1 2", "separated by \",\"; found: 2"},
        {"STATUS_Fetch_Doors 1,", "a procedure argument is missing"},
        {"STATUS_Fetch_Doors 1; DROP TABLE Doors", "must be the only statement"},
        {"SELECT 1; STATUS_Fetch_Doors 1", "must be the only statement"},
        {"SELECT 1; DELETE FROM Doors", "one statement only"},
        {"SELECT * FROM t WHERE a = '' ; DROP TABLE t; --'", "one statement only"},
        {"INSERT INTO t VALUES (1);INSERT INTO t VALUES (2)", "one statement only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            translate(QString::fromUtf8(c.text));
            ADD_FAILURE() << "no DbError";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.messagePart))) << e.what();
            EXPECT_EQ(e.statement(), QString::fromUtf8(c.text));
        }
    }
}

}  // namespace
