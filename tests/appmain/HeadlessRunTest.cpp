// The built status viewer, started the way scripts/run.sh starts it without a display: its exit
// code, its one summary line, its screenshots, and its refusals.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

const QString kBinary = QStringLiteral(STATUSOBJECT_BINARY_DIR "/apps/statusviewer/statusviewer");

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

struct HeadlessRun : ::testing::Test {
    QTemporaryDir dir;

    void SetUp() override {
        if (!QFile::exists(kBinary))
            GTEST_SKIP() << "not built: " << kBinary.toStdString();
    }

    ProcessResult run(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The demo site and the logs go into the test's folder, not the user's.
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(kBinary, args);
        ProcessResult r;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "still running after two minutes";
            return r;
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(process.readAllStandardError());
        return r;
    }
};

/// Distinct colours among a grid of sample pixels: a blank or one-colour image has one or two.
int sampledColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

TEST_F(HeadlessRun, TwoWorkstationsRunPrintTheirSummaryAndWriteScreenshots) {
    const ProcessResult r = run({"--db", "sqlite:" + dir.filePath("site.db"), "--create-demo", "--scale", "300",
                                 "--workstations", "2", "--seconds", "2", "--out", dir.filePath("shots")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << r.out.toStdString();
    static const QRegularExpression summary(
        R"(^statusviewer: 2 workstations, (\d+) points? shown, (\d+) state changes? applied \((\d+)/s\), (\d+) errors? logged$)");
    const QRegularExpressionMatch m = summary.match(lines.first());
    ASSERT_TRUE(m.hasMatch()) << lines.first().toStdString();
    EXPECT_GT(m.captured(1).toInt(), 0);
    EXPECT_GT(m.captured(2).toLongLong(), 0);
    EXPECT_GT(m.captured(3).toLongLong(), 0);
    EXPECT_EQ(m.captured(4).toInt(), 0) << r.err.toStdString();

    for (int k : {1, 2}) {
        const QImage shot(dir.filePath(QStringLiteral("shots/workstation-%1.png").arg(k)));
        ASSERT_FALSE(shot.isNull()) << "workstation " << k;
        EXPECT_EQ(shot.size(), QSize(1400, 900));
        EXPECT_GT(sampledColours(shot), 20) << "workstation " << k << " looks blank";
    }
}

// The reasons a site is refused are checked in-process (SiteFolder); here, that they reach the
// operator and the exit code.
TEST_F(HeadlessRun, StartFailuresExitNonZeroWithAMessage) {
    const struct {
        QStringList args;
        int exitCode;
        const char* mentions;
    } cases[] = {
        {{"--db", "carrier-pigeon:site"}, 1, "Malformed"},
        {{"--workstations", "many"}, 2, "--workstations"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = run(QStringList{"--headless", "--seconds", "1"} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << '\n' << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.mentions))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

TEST_F(HeadlessRun, ARefusedStartOnAnEmptyFileLeavesItEmpty) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("empty.db"));
    {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    const ProcessResult r = run({"--headless", "--seconds", "1", "--db", "sqlite:" + file});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QLatin1String("holds no SQLite database"))) << r.err.toStdString();
    EXPECT_EQ(QFileInfo(file).size(), 0) << "nothing written into the refused file";
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-shm")));
}

}  // namespace
