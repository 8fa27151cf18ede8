// The attention list on the window, driven through the widgets: "Entire Site" of a large demo site
// under a storm of state changes at 2,000 a second. The newest alarm heads the list in sight,
// the list's order holds between two storms except where a severity changed, Enter goes to the
// point's row, and the list, the section headers, the band and the title count the same alarms.
#include "ui/UiFixture.h"

#include "ui/AttentionPanel.h"
#include "ui/CountTexts.h"
#include "ui/ModelTesterGuard.h"
#include "ui/SectionHeader.h"
#include "window/AttentionList.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSet>
#include <QTableView>

namespace so::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A sanitized build runs the same test on a smaller site.
constexpr int kPoints = kSanitized ? 5000 : 50000;
// 2,000 changes a second: 200 per tenth of a second, the list synced between.
constexpr int kChangesPerStorm = 2000;
constexpr int kChangesPerTick = 200;

struct Point {
    QString deviceType;
    QString address;
    QVector<quint8> states;  // the states a storm sends it
};

struct Listed {
    QString address;
    Severity severity;
    qint64 sinceMs;
};

class AttentionListOnTheWindow : public UiFixture {
protected:
    int sitePoints() const override { return kPoints; }

    void collectPoints() {
        for (int row = 1; row <= grid(1).rowCount(); ++row) {
            const QString address = grid(1).text(row, col::Address);
            if (address.contains(QLatin1String("BI")))
                points.append({QStringLiteral("STD_INPUT"), address, {65, 66, 65, 66, 67, 68, 0, 1}});
        }
        for (int row = 1; row <= grid(3).rowCount(); ++row) {
            const QString address = grid(3).text(row, col::Address);
            if (address.contains(QLatin1String("SM")) && !address.startsWith(QLatin1String("\\\\ZRII")))
                points.append({QStringLiteral("READER"), address, {2, 3, 3}});
        }
        for (int row = 1; row <= grid(4).rowCount(); ++row) {
            const QString address = grid(4).text(row, col::Address);
            if (address.size() == 17)
                points.append({QStringLiteral("CONTROLLER"), address, {3, 2, 5, 4, 2, 4}});
        }
    }

    /// One storm: kChangesPerStorm reports, the window's event loop and the list's sync running
    /// as they would at 2,000 changes a second.
    void storm(quint32 seed) {
        QRandomGenerator random(seed);
        for (int i = 0; i < kChangesPerStorm; ++i) {
            const Point& p = points[int(random.bounded(quint32(points.size())))];
            status->StateChange(p.deviceType, p.address, p.states[int(random.bounded(quint32(p.states.size())))]);
            if ((i + 1) % kChangesPerTick == 0) {
                QCoreApplication::processEvents();
                window().attentionTick();
                noteSeverities();
            }
        }
        settle();
        window().attentionTick();
        noteSeverities();
        frame->updateInsight();
    }

    /// Notes, after a sync, the entries whose severity differs from the one seen at the sync
    /// before: those may move, even where the storm ends on the severity they started with.
    void noteSeverities() {
        for (const Listed& entry : listed()) {
            const auto seen = lastSeen.find(entry.address);
            if (seen != lastSeen.end() && (*seen).first != entry.severity)
                changedOnTheWay.insert(entry.address);
            lastSeen.insert(entry.address, {entry.severity, entry.sinceMs});
        }
    }

    QVector<Listed> listed() {
        // Read through the panel's model, as the operator reads the table.
        const AttentionModel* model = child<AttentionPanel>("attentionPanel")->model();
        QVector<Listed> out;
        for (int row = 0; row < model->rowCount(); ++row) {
            const AttentionEntry& e = model->rowAt(row).entry;
            EXPECT_EQ(model->index(row, AttentionModel::Address).data().toString(), e.address);
            out.append({e.address, e.cleared() ? Severity::Normal : e.severity, e.sinceMs});
        }
        return out;
    }

    QVector<Point> points;
    QHash<QString, std::pair<Severity, qint64>> lastSeen;
    QSet<QString> changedOnTheWay;
};

TEST_F(AttentionListOnTheWindow, NewestAlarmInSightOrderHoldsAndCountsAgreeInAStorm) {
    show();
    frame->resize(1100, 700);
    chooseGroup(site.siteGroupId);
    ASSERT_GE(window().shownRowCount(), kPoints * 9 / 10);
    collectPoints();
    ASSERT_GT(points.size(), 200);
    AttentionPanel* panel = child<AttentionPanel>("attentionPanel");
    ModelTesterGuard guard;
    QAbstractItemModelTester tester(panel->model(), QAbstractItemModelTester::FailureReportingMode::Warning);

    // The list syncs at the storm's ticks only, so that every severity it took is seen here.
    window().attentionTimer().stop();
    storm(1);
    const QVector<Listed> before = listed();
    changedOnTheWay.clear();
    storm(2);
    const QVector<Listed> after = listed();

    // The entries that kept their severity (and were not cleared and raised again in between)
    // read in the same order as before.
    QHash<QString, int> placeBefore;
    for (int i = 0; i < before.size(); ++i)
        placeBefore.insert(before[i].address, i);
    int kept = 0;
    int lastPlace = -1;
    for (const Listed& entry : after) {
        const auto was = placeBefore.constFind(entry.address);
        if (was == placeBefore.constEnd())
            continue;
        const Listed& old = before[*was];
        if (old.severity != entry.severity || old.sinceMs != entry.sinceMs || changedOnTheWay.contains(entry.address))
            continue;
        EXPECT_GT(*was, lastPlace) << entry.address.toStdString() << " moved though its severity did not change";
        lastPlace = *was;
        ++kept;
    }
    EXPECT_GT(kept, 50) << "too few entries outlived the storm to say anything";

    // A new alarm heads the list, in sight without scrolling, and the header flashes.
    QString fresh;
    for (const Point& p : points)
        if (p.deviceType == QLatin1String("STD_INPUT") &&
            severity(grid(1), grid(1).findRow(p.address)) == Severity::Normal) {
            fresh = p.address;
            break;
        }
    ASSERT_FALSE(fresh.isEmpty());
    status->StateChange(QStringLiteral("STD_INPUT"), fresh, 65);
    settle();
    window().attentionTick();
    settle();
    frame->updateInsight();
    ASSERT_TRUE(panel->isVisible());
    QTableView* table = panel->table();
    ASSERT_GT(table->model()->rowCount(), 0);
    // The input's report raised its door too: the two head the list, the door (written last) first.
    int freshRow = -1;
    for (int row = 0; row < 2; ++row)
        if (table->model()->index(row, AttentionModel::Address).data().toString() == fresh)
            freshRow = row;
    ASSERT_GE(freshRow, 0) << "the newest alarm does not head the list";
    EXPECT_EQ(table->model()->index(freshRow, AttentionModel::Reason).data().toString(), QStringLiteral("In alarm"));
    EXPECT_EQ(table->model()->index(freshRow, AttentionModel::Kind).data().toString(),
              StatusWindow::sectionName(Section::Inputs));
    EXPECT_EQ(table->rowAt(0), 0) << "the list is scrolled";
    const QRect shown = table->visualRect(table->model()->index(freshRow, AttentionModel::Name));
    EXPECT_TRUE(table->viewport()->rect().contains(shown)) << "the newest alarm is cut";
    EXPECT_TRUE(panel->isFlashing());
    EXPECT_LE(panel->height(), int(frame->height() * StatusFrame::kAttentionShare) + 1);

    // The list, the section headers, the band and the title count the same alarms and warnings.
    const AttentionList& list = window().attention();
    SectionCounts total;
    for (int section = 0; section < kSectionCount; ++section)
        total += headerOf(section)->counts();
    EXPECT_GT(total.alarms, 0);
    EXPECT_EQ(list.alarmCount(), total.alarms);
    EXPECT_EQ(list.warningCount(), total.warnings);
    EXPECT_TRUE(totalsLabel()->text().contains(CountTexts::alarms(total))) << totalsLabel()->text().toStdString();
    EXPECT_TRUE(totalsLabel()->text().contains(CountTexts::warnings(total)));
    EXPECT_TRUE(panel->headerText().startsWith(
        QStringLiteral("Attention: %1, %2").arg(CountTexts::alarms(total), CountTexts::warnings(total))))
        << panel->headerText().toStdString();
    EXPECT_TRUE(frame->windowTitle().endsWith(QStringLiteral("— ") + CountTexts::alarms(total)))
        << frame->windowTitle().toStdString();

    // Enter on the entry goes to the point's row in its section.
    table->setFocus();
    table->setCurrentIndex(table->model()->index(freshRow, AttentionModel::Name));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(view(1)->currentIndex().row() + 1, grid(1).findRow(fresh));
    EXPECT_EQ(window().currentSection(), Section::Inputs);
    EXPECT_EQ(window().currentRow(), grid(1).findRow(fresh));

    // Switched off, the list is gone and the title counts no alarms; on again, it is back.
    action("attentionToggle")->trigger();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(frame->windowTitle().contains(QStringLiteral("alarm")));
    action("attentionToggle")->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(list.alarmCount(), total.alarms);
    EXPECT_TRUE(guard.failures().isEmpty()) << guard.failures().join(QLatin1Char('\n')).toStdString();
}

TEST_F(AttentionListOnTheWindow, EveryPaintedFrameCountsTheSameAlarmsWhileTheTimersRun) {
    show();
    frame->resize(1100, 700);
    chooseGroup(site.siteGroupId);
    collectPoints();
    ASSERT_GT(points.size(), 200);
    AttentionPanel* panel = child<AttentionPanel>("attentionPanel");
    const QRegularExpression listed(QStringLiteral("^Attention: ([\\d,]+) alarms?, ([\\d,]+) warnings?"));
    const QRegularExpression titled(QStringLiteral("— ([\\d,]+) alarms?$"));
    const auto number = [](const QString& text) { return QString(text).remove(QLatin1Char(',')).toInt(); };

    // The window's own timers sync the list, recount and repaint as they will: after every turn
    // of the event loop (a frame), what the list's header, the title, the section headers and the
    // band show agree, however the storm's changes fell between the timers.
    QRandomGenerator random(7);
    int frames = 0;
    int framesWithAlarms = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3 * kChangesPerStorm && clock.elapsed() < 20000; ++i) {
        const Point& p = points[int(random.bounded(quint32(points.size())))];
        status->StateChange(p.deviceType, p.address, p.states[int(random.bounded(quint32(p.states.size())))]);
        if (i % 50 != 49)
            continue;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ++frames;
        SectionCounts total;
        for (int section = 0; section < kSectionCount; ++section)
            total += headerOf(section)->counts();
        const QRegularExpressionMatch header = listed.match(panel->headerText());
        ASSERT_TRUE(header.hasMatch()) << panel->headerText().toStdString();
        ASSERT_EQ(number(header.captured(1)), total.alarms) << "frame " << frames;
        ASSERT_EQ(number(header.captured(2)), total.warnings) << "frame " << frames;
        ASSERT_TRUE(totalsLabel()->text().contains(CountTexts::alarms(total))) << totalsLabel()->text().toStdString();
        ASSERT_TRUE(totalsLabel()->text().contains(CountTexts::warnings(total))) << totalsLabel()->text().toStdString();
        const QRegularExpressionMatch title = titled.match(frame->windowTitle());
        ASSERT_EQ(title.hasMatch() ? number(title.captured(1)) : 0, total.alarms) << frame->windowTitle().toStdString();
        framesWithAlarms += total.alarms > 0 ? 1 : 0;
    }
    EXPECT_GT(framesWithAlarms, 10);
}

TEST_F(AttentionListOnTheWindow, EverySectionHoldingAFindsMatchesShowsSomeWhenThereIsRoomForARowEach) {
    show();
    frame->resize(1280, 900);
    chooseGroup(site.siteGroupId);
    // One controller's points: a few rows in each of its sections, among thousands.
    auto* find = child<QLineEdit>("findBox");
    find->setText(QStringLiteral("SNET.P01.C00001"));
    settle();
    int sectionsWithMatches = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        SectionGridView* grid = view(section);
        if (!grid->isVisible() || grid->shownRowCount() == 0)
            continue;
        ++sectionsWithMatches;
        const QRect first = grid->visualRect(grid->model()->index(grid->rowAt(0), 0));
        EXPECT_GT(grid->viewport()->height(), 0) << sectionNamed(section).toStdString() << ": no row in sight";
        EXPECT_TRUE(grid->rowAt(0) >= 0 && grid->viewport()->rect().intersects(first))
            << sectionNamed(section).toStdString() << " holds " << grid->shownRowCount() << " matches, none in sight";
    }
    EXPECT_GE(sectionsWithMatches, 4);
}

}  // namespace
}  // namespace so::test
