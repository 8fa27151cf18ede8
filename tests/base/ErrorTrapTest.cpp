// The error trap, the component's log file and the text resources.
#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QThread>
#include <QTemporaryDir>

#include <functional>

using namespace so;
using so::test::FakeDialogs;
using so::test::FakeHost;

namespace {

struct TrapFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeHost host;
    FakeDialogs dialogs;
    ComponentContext ctx;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ctx.errorLog.setFolder(dir.path());
        ctx.ntConnection = &host;
        ctx.parent = &host;
        ctx.dialogs = &dialogs;
    }
    QString logText() const {
        QFile f(dir.path() + "/StatusObject.log");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

TEST_F(TrapFixture, ReportTextHasTheFiveLinesWithTheFunctionAndNumber) {
    const QString text = ctx.errorLog.reportText({6, "Overflow", "StatusObject"}, "Status.SyncPipe");
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "An error has occurred.  ");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Description: Overflow");
    EXPECT_EQ(lines[3], "Function: StatusObject.Status.SyncPipe(0)");
    EXPECT_EQ(lines[4], "Error Number: 6");
    EXPECT_TRUE(lines[5].startsWith("File Version: StatusObject - 1."));
}

TEST_F(TrapFixture, PointNamesGoToTheLogFileAndAMessageBoxColonNamesToTheHost) {
    trap(ctx, "FMain.FillPoints", [] { throw ComponentError(ComponentError::TypeMismatch, "Type mismatch"); });
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Critical);
    EXPECT_TRUE(logText().contains("Function: StatusObject.FMain.FillPoints(0)"));
    EXPECT_EQ(host.count("LogError"), 0);

    trap(ctx, "Status: Show", [] { throw HostError("host gone", 440); });
    trap(ctx, "UpdateNames", [] { throw ComponentError(ComponentError::TypeMismatch, "bad"); });
    ASSERT_EQ(host.count("LogError"), 2);
    EXPECT_EQ(host.callsNamed("LogError")[0].args[2].toString(), "Status: Show");
    EXPECT_EQ(host.callsNamed("LogError")[1].args[2].toString(), "UpdateNames");
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(TrapFixture, TwoErrorsAppendTwoEntriesAndKeepWhatWasThere) {
    trap(ctx, "A.First", [] { throw ComponentError(5, "one"); });
    const QString first = logText();
    trap(ctx, "A.Second", [] { throw ComponentError(5, "two"); });
    const QString both = logText();
    EXPECT_TRUE(both.startsWith(first));
    EXPECT_EQ(both.count("----------------------------------------"), 2);
    EXPECT_EQ(both.count("An error has occurred."), 2);
}

TEST_F(TrapFixture, QuietReportsWriteTheEntryWithoutABox) {
    reportFailure(ctx, "A.Quiet", {5, "quiet", "StatusObject"}, true);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(logText().contains("Description: quiet"));
}

TEST_F(TrapFixture, FailuresWhileTheHostsInputIsHandledGoToTheHostAndTheLogNeverToABox) {
    {
        const InputScope input(ctx);
        trap(ctx, "FMain.FillPoints", [] { throw ComponentError(ComponentError::TypeMismatch, "No \"|\" in \"x\""); });
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(logText().contains("Function: StatusObject.FMain.FillPoints(0)"));
    EXPECT_EQ(ctx.ignored.count(IgnoredInput::Kind::Failed), 1);
    ASSERT_EQ(host.count("LogError"), 1);
    EXPECT_EQ(host.callsNamed("LogError")[0].args[2].toString(), "FMain.FillPoints");
    // The scope closed: the operator's own procedures report as before.
    trap(ctx, "FMain.FillPoints", [] { throw ComponentError(ComponentError::TypeMismatch, "bad"); });
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST(IgnoredInput, TheHostHearsOfAKindOnceInTheQuietTimeAndThenOfHowManyWereHeldBack) {
    IgnoredInput ignored;
    int heldBack = -1;
    using Kind = IgnoredInput::Kind;
    EXPECT_TRUE(ignored.mayTellHost(Kind::Address, 1'000, heldBack));
    EXPECT_EQ(heldBack, 0);
    EXPECT_FALSE(ignored.mayTellHost(Kind::Address, 1'001, heldBack));
    EXPECT_FALSE(ignored.mayTellHost(Kind::Address, 10'999, heldBack));
    EXPECT_TRUE(ignored.mayTellHost(Kind::Thread, 10'999, heldBack));  // each kind on its own
    EXPECT_TRUE(ignored.mayTellHost(Kind::Address, 11'000, heldBack));
    EXPECT_EQ(heldBack, 2);
    EXPECT_FALSE(ignored.mayTellHost(Kind::Address, 11'500, heldBack));
}

TEST_F(TrapFixture, AMissingColumnEndsTheBodySilently) {
    bool after = false;
    const bool ok = trap(ctx, "MPublic.UpdateList", [&] {
        throw MissingColumnError("Voltage");
        after = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(after);
    EXPECT_TRUE(logText().isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(host.count("LogError"), 0);
}

TEST_F(TrapFixture, ALogThatCannotBeWrittenIsToldOnceAndResumesWithTheCountOfLinesLost) {
    struct Case {
        const char* what;
        std::function<void()> block;
        std::function<void()> unblock;
    };
    const QString log = dir.path() + "/StatusObject.log";
    const QString folder = dir.path() + "/logs";
    const Case cases[] = {
        {"a full disk", [&] { ASSERT_TRUE(QFile::link("/dev/full", log)); }, [&] { QFile::remove(log); }},
        {"a folder that cannot be made",
         [&] {
             QFile file(folder);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             ctx.errorLog.setFolder(folder);
         },
         [&] {
             QFile::remove(folder);
             ctx.errorLog.setFolder(dir.path());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int told = 0;
        ctx.errorLog.setProblemListener([&] { ++told; });
        c.block();
        for (int i = 0; i < 3; ++i)
            EXPECT_NO_THROW(trap(ctx, "A.Failing", [i] { throw ComponentError(5, QString("failure %1").arg(i)); }));
        EXPECT_TRUE(ctx.errorLog.problem().contains("cannot be written")) << ctx.errorLog.problem().toStdString();
        EXPECT_EQ(told, 1) << "told once, not once a line";
        c.unblock();
        trap(ctx, "A.Again", [] { throw ComponentError(6, "written again"); });
        EXPECT_TRUE(ctx.errorLog.problem().isEmpty());
        EXPECT_EQ(told, 2);
        EXPECT_TRUE(logText().contains("6 log lines could not be written since")) << logText().toStdString();
        EXPECT_TRUE(logText().contains("written again"));
        QFile::remove(log);
    }
    ctx.errorLog.setProblemListener({});
}

TEST_F(TrapFixture, TheLogStaysBoundedHoweverMuchIsReported) {
    // A hostile text quoted in a report is cut, in the file and for the host.
    const QString huge(100000, QLatin1Char('\''));
    trap(ctx, "A.Huge", [&] { throw ComponentError(13, "Bad value: " + huge); });
    trap(ctx, "Status: Huge", [&] { throw ComponentError(13, "Bad value: " + huge); });
    EXPECT_LT(logText().size(), 2000);
    EXPECT_TRUE(logText().contains("more characters not logged"));
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_LT(host.loggedErrors[0].size(), 1000);

    // Distinct reports fill the file; it is moved aside at the limit, and only three files are kept.
    ctx.errorLog.setRotation(4000, 3);
    for (int i = 0; i < 200; ++i)
        trap(ctx, "A.Distinct", [&] { throw ComponentError(5, QString("report %1").arg(i)); });
    const QStringList files = QDir(dir.path()).entryList({"StatusObject.log*"}, QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"StatusObject.log", "StatusObject.log.1", "StatusObject.log.2"}));
    for (const QString& f : files)
        EXPECT_LT(QFileInfo(dir.filePath(f)).size(), 4000 + 1000) << f.toStdString();
    EXPECT_TRUE(logText().contains("report 199"));
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 201);

    // A repeat after the second is written again; another report ends the count of the last.
    const struct {
        const char* description;
        int waitMs;
        bool newEntry;
    } steps[] = {{"same", 0, true},
                 {"same", 0, false},
                 {"same", 0, false},
                 {"other", 0, true},
                 {"other", int(ErrorLog::kFoldMs) + 50, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.description);
        QThread::msleep(step.waitMs);
        const int before = int(logText().count("An error has occurred."));
        trap(ctx, "A.Fold", [&] { throw ComponentError(5, step.description); });
        EXPECT_EQ(logText().count("An error has occurred."), before + (step.newEntry ? 1 : 0));
    }
    EXPECT_TRUE(logText().contains("Repeated 2 more times: A.Fold"));
}

TEST_F(TrapFixture, AHostWhoseLogErrorFailsDoesNotBreakTheTrap) {
    struct Throwing : FakeHost {
        void LogError(qint32, const ErrorInfo&, const QString&, qint32, qint32) override { throw HostError("down"); }
    } throwing;
    ctx.ntConnection = &throwing;
    EXPECT_NO_THROW(trap(ctx, "Status: Show", [] { throw ComponentError(5, "x"); }));
}

TEST_F(TrapFixture, GrsFetchesAPlainTextOnceAndFillInsThroughTheHostsGrs) {
    EXPECT_EQ(GRS(ctx, 1435), "R1435");
    EXPECT_EQ(GRS(ctx, 1435), "R1435");
    EXPECT_EQ(host.count("GetResourceString"), 1);
    EXPECT_EQ(host.callsNamed("GetResourceString")[0].args[0].toInt(), 1435);

    host.texts[74] = "Locked by %1 at %2";
    EXPECT_EQ(GRS(ctx, 74, {"Ann", "WS2"}), "Locked by Ann at WS2");
    ASSERT_EQ(host.count("GRS"), 1);
    EXPECT_EQ(host.callsNamed("GRS")[0].args[1].toStringList().size(), 9);
    // A non-empty first fill-in goes through the host's GRS even without place holders.
    GRS(ctx, 1435, {"x"});
    EXPECT_EQ(host.count("GRS"), 2);
}

TEST_F(TrapFixture, AFailingResourceFetchIsReportedToTheHostAndGivesEmptyText) {
    host.failing.insert("GetResourceString");
    EXPECT_EQ(GRS(ctx, 1390), "");
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_TRUE(host.loggedErrors[0].startsWith("MPublic: GRS"));
    host.failing.clear();
    EXPECT_EQ(GRS(ctx, 1390), "R1390");  // a failure is not remembered
}

}  // namespace
