// The attention list without widgets: its order (alarms, then warnings, newest first) holds while
// rows change and changes only where a severity did; a point back to normal stays listed, cleared,
// until the operator clears it or its time is up; an off-line point names its off-line controller.
#include "status/StatusTestSupport.h"

#include "window/AttentionList.h"
#include "window/AttentionView.h"
#include "window/Severity.h"

#include <random>

namespace so::test {
namespace {

using C = Condition;
const QString kController = QStringLiteral("\\\\SNET.P001.C0101");
const QString kDoor = QStringLiteral("\\\\SNET.P001.C0101.DR01");
const QString kInput1 = QStringLiteral("\\\\SNET.P001.C0101.BI01");
const QString kInput2 = QStringLiteral("\\\\SNET.P001.C0101.BI02");
const QString kInput3 = QStringLiteral("\\\\SNET.P001.C0101.BI03");
const QString kRelay = QStringLiteral("\\\\SNET.P001.C0101.BR01");

class AttentionListTest : public StatusFixture {
protected:
    AttentionListTest() {
        addPoint(Section::Controllers, kController, QStringLiteral("Parking Garage Panel"));
        addPoint(Section::Doors, kDoor, QStringLiteral("Garage Gate"));
        for (const QString& input : {kInput1, kInput2, kInput3})
            addPoint(Section::Inputs, input, input.right(4));
        addPoint(Section::Relays, kRelay, QStringLiteral("Barrier"));
    }

    void addPoint(Section section, const QString& address, const QString& name) {
        StatusGrid& grid = sections.grid(section);
        const int row = grid.addRow();
        grid.setText(row, col::Name, name);
        grid.setText(row, col::Address, address);
    }

    /// The point's state columns rewritten, then `conditions` recorded, as a writer does.
    void show(Section section, const QString& address, RowConditions conditions) {
        StatusGrid& grid = sections.grid(section);
        const int row = grid.findRow(address);
        ASSERT_GT(row, 0) << address.toStdString();
        ++writes;
        for (const QString& key : {col::Status, col::Alarm, col::Masked})
            if (grid.columnIndex(key) >= 0)
                grid.setText(row, key, QString::number(writes));
        grid.addConditions(row, conditions);
    }

    QStringList order() const {
        QStringList out;
        for (const AttentionEntry& e : list.entries())
            out << e.address.right(4) + (e.cleared() ? QStringLiteral(" cleared") : QString());
        return out;
    }

    AttentionList list{sections};
    int writes = 0;
};

TEST_F(AttentionListTest, AlarmsFirstNewestFirstAndPlacesHoldWhileRowsChange) {
    show(Section::Inputs, kInput1, C::Masked);
    EXPECT_FALSE(list.sync(1000).newAlarm);
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);
    EXPECT_TRUE(list.sync(2000).newAlarm);
    show(Section::Inputs, kInput2, C::Alarm);
    EXPECT_TRUE(list.sync(3000).newAlarm);
    EXPECT_EQ(order(), (QStringList{"BI02", "DR01", "BI01"}));
    EXPECT_EQ(list.alarmCount(), 2);
    EXPECT_EQ(list.warningCount(), 1);
    EXPECT_EQ(list.reason(list.entries()[1]), QStringLiteral("Forced open"));

    // Reports that keep each point's severity: nothing moves, words follow; a row that passes
    // through normal between two syncs (its columns rewritten) is not cleared.
    for (int i = 0; i < 50; ++i) {
        show(Section::Doors, kDoor,
             i % 2 ? C::Alarm | C::DoorNotClosed | C::RelayNotNormal : C::Alarm | C::DoorNotClosed);
        show(Section::Inputs, kInput2, RowConditions());
        show(Section::Inputs, kInput2, C::Alarm);
        show(Section::Inputs, kInput1, i % 2 ? C::Masked : C::Masked | C::Offline);
        EXPECT_FALSE(list.sync(3100 + i).newAlarm);
    }
    EXPECT_EQ(order(), (QStringList{"BI02", "DR01", "BI01"}));
    EXPECT_EQ(list.entries()[0].sinceMs, 3000);
    EXPECT_EQ(list.reason(list.entries()[1]), QStringLiteral("Held open"));

    // A new warning goes in at its place; a warning that becomes an alarm moves, keeping its "since".
    show(Section::Inputs, kInput3, C::InputOpen);
    list.sync(4000);
    EXPECT_EQ(order(), (QStringList{"BI02", "DR01", "BI03", "BI01"}));
    show(Section::Inputs, kInput1, C::Alarm);
    EXPECT_TRUE(list.sync(5000).newAlarm);
    EXPECT_EQ(order(), (QStringList{"BI02", "DR01", "BI01", "BI03"}));
    EXPECT_EQ(list.entries()[2].sinceMs, 1000);
    EXPECT_EQ(list.alarmCount(), 3);
    EXPECT_EQ(list.warningCount(), 1);
}

TEST_F(AttentionListTest, AnEntryIsRaisedAtItsReportsTimeAndALoadListsTheNewestFirst) {
    // The rows of a load, each abnormal since the time of the report it shows: long ago, a moment
    // ago, a time ahead of this desk's clock (taken as now), none known (now).
    const qint64 now = 1'800'000'000'000;
    const auto stamp = [&](const QString& address, qint64 ms) {
        StatusGrid& grid = sections.grid(Section::Inputs);
        grid.setUpdated(grid.findRow(address), UpdatedStamp{QStringLiteral("t"), ms});
    };
    show(Section::Inputs, kInput1, C::Alarm);
    stamp(kInput1, 1'700'000'000'000);
    show(Section::Inputs, kInput2, C::Alarm);
    stamp(kInput2, now - 5000);
    show(Section::Inputs, kInput3, C::Alarm);
    stamp(kInput3, now + 60'000);
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);
    list.reset();
    list.addAllRows(now);
    const auto sinceOf = [&](const QString& address) {
        for (const AttentionEntry& e : list.entries())
            if (e.address == address)
                return e.sinceMs;
        return qint64(-1);
    };
    EXPECT_EQ(sinceOf(kInput1), 1'700'000'000'000);
    EXPECT_EQ(sinceOf(kInput2), now - 5000);
    EXPECT_EQ(sinceOf(kInput3), now) << "a time ahead of this desk's clock";
    EXPECT_EQ(sinceOf(kDoor), now) << "no time known";
    EXPECT_EQ(order().mid(2), (QStringList{"BI02", "BI01"})) << "the newest first";

    // Listed later, an alarm goes first even when its report is older than those listed before
    // (the field's clock behind, the time of day stepped back): its "since" stays its report's.
    show(Section::Relays, kRelay, C::RelayNotNormal | C::Alarm);
    sections.grid(Section::Relays).setUpdated(1, UpdatedStamp{QStringLiteral("t"), now - 3'600'000});
    list.sync(now + 1000);
    EXPECT_EQ(order().first(), QStringLiteral("BR01"));
    EXPECT_EQ(sinceOf(kRelay), now - 3'600'000);
}

TEST_F(AttentionListTest, ClearedWarningsStayUntilClearedOrTheirTimeIsUp) {
    list.setKeepClearedMs(60000);
    show(Section::Inputs, kInput1, C::Masked);
    show(Section::Inputs, kInput2, C::InputOpen);
    list.sync(1000);
    show(Section::Inputs, kInput1, RowConditions());
    EXPECT_TRUE(list.sync(2000).changed);
    EXPECT_EQ(order(), (QStringList{"BI02", "BI01 cleared"})) << "a live entry above a cleared one";
    EXPECT_EQ(list.entries()[1].clearedMs, 2000);
    EXPECT_EQ(list.reason(list.entries()[1]), QStringLiteral("Masked")) << "what it was";

    list.sync(2000 + 59999);
    EXPECT_EQ(order(), (QStringList{"BI02", "BI01 cleared"}));
    list.sync(2000 + 60000);
    EXPECT_EQ(order(), (QStringList{"BI02"}));

    // Abnormal again after clearing: a new occurrence, at the newest place.
    show(Section::Inputs, kInput1, C::Masked);
    list.sync(70000);
    show(Section::Inputs, kInput1, RowConditions());
    list.sync(71000);
    show(Section::Inputs, kInput1, C::Masked);
    list.sync(72000);
    EXPECT_EQ(order(), (QStringList{"BI01", "BI02"}));
    EXPECT_EQ(list.entries()[0].sinceMs, 72000);

    show(Section::Inputs, kInput2, RowConditions());
    list.sync(73000);
    EXPECT_TRUE(list.removeCleared());
    EXPECT_EQ(order(), (QStringList{"BI01"}));
    EXPECT_FALSE(list.removeCleared());
}

using AlarmLifecycleTest = AttentionListTest;

TEST_F(AlarmLifecycleTest, AClearedAlarmWaitsForItsAcknowledgementWhateverTheStorm) {
    list.setKeepClearedMs(1000);
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);  // forced for two seconds
    const AttentionList::SyncResult raised = list.sync(1000);
    ASSERT_EQ(raised.raised.size(), 1u);
    EXPECT_EQ(raised.raised[0].address, kDoor);
    EXPECT_EQ(list.unacknowledgedCount(), 1);
    show(Section::Doors, kDoor, RowConditions());
    const AttentionList::SyncResult cleared = list.sync(3000);
    ASSERT_EQ(cleared.cleared.size(), 1u);
    EXPECT_EQ(cleared.cleared[0].raisedMs, 1000);

    // A storm of warnings clearing, far beyond the cleared entries kept and their time.
    const int storm = AttentionList::kMaxCleared + 200;
    for (int i = 0; i < storm; ++i) {
        const QString address = QStringLiteral("\\SNET.P003.C%1.BI01").arg(i, 4, 10, QLatin1Char('0'));
        addPoint(Section::Inputs, address, address);
        show(Section::Inputs, address, C::InputOpen);
    }
    list.sync(4000);
    for (int row = 4; row <= sections.grid(Section::Inputs).rowCount(); ++row)
        show(Section::Inputs, sections.grid(Section::Inputs).address(row), RowConditions());
    list.sync(5000);
    EXPECT_TRUE(list.removeCleared());
    list.sync(600000);
    EXPECT_EQ(order(), (QStringList{"DR01 cleared"}));
    EXPECT_EQ(list.unacknowledgedCount(), 1);
    EXPECT_FALSE(list.removeCleared()) << "only an acknowledgement takes it away";

    // Acknowledged, a cleared alarm leaves; an acknowledgement of another occurrence does nothing.
    EXPECT_FALSE(list.acknowledge(kDoor, 999, QStringLiteral("mlee"), 700000));
    EXPECT_TRUE(list.acknowledge(kDoor, 1000, QStringLiteral("mlee"), 700000));
    EXPECT_TRUE(list.entries().empty());
    EXPECT_EQ(list.unacknowledgedCount(), 0);
}

TEST_F(AlarmLifecycleTest, AcknowledgedAlarmsLeaveWhenTheyClearAndWarningsNeedNone) {
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);
    show(Section::Inputs, kInput1, C::Masked);
    list.sync(1000);
    EXPECT_FALSE(list.acknowledge(kInput1, 1000, QStringLiteral("admin"), 2000)) << "a warning";
    EXPECT_TRUE(list.acknowledge(kDoor, 1000, QStringLiteral("admin"), 2000));
    EXPECT_FALSE(list.acknowledge(kDoor, 1000, QStringLiteral("admin"), 2500)) << "once";
    ASSERT_EQ(order(), (QStringList{"DR01", "BI01"}));
    EXPECT_EQ(list.entries()[0].acknowledgedBy, QStringLiteral("admin"));
    EXPECT_EQ(list.unacknowledgedCount(), 0);

    // Held open after the acknowledgement: the same occurrence, still acknowledged.
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed | C::RelayNotNormal);
    EXPECT_TRUE(list.sync(3000).raised.empty());
    EXPECT_TRUE(list.entries()[0].acknowledged());

    show(Section::Doors, kDoor, RowConditions());
    list.sync(4000);
    EXPECT_EQ(order(), (QStringList{"BI01"}));

    // The next occurrence is a new alarm to acknowledge.
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);
    EXPECT_EQ(list.sync(5000).raised.size(), 1u);
    EXPECT_TRUE(list.entries()[0].awaitsAcknowledgement());

    // The site's raised time of an occurrence another desk saw first is taken, in its place.
    show(Section::Inputs, kInput2, C::Alarm);
    list.sync(6000);
    ASSERT_EQ(order(), (QStringList{"BI02", "DR01", "BI01"}));
    EXPECT_TRUE(list.adopt(Section::Inputs, list.entries()[0].key, 4000));
    EXPECT_EQ(order(), (QStringList{"DR01", "BI02", "BI01"}));
    EXPECT_FALSE(list.adopt(Section::Inputs, list.entries()[2].key, 4000)) << "a warning has no raised time";
}

TEST_F(AttentionListTest, ARefreshOfEveryRowMovesNothingThatStaysAbnormal) {
    // More rows than the queue holds, each rewritten (its conditions gone, then back) as a full
    // refresh does: the sync after reads them as they end up.
    const int inputs = AttentionList::kMaxPending + 500;
    for (int i = 0; i < inputs; ++i) {
        const QString address = QStringLiteral("\\\\SNET.P002.C%1.BI01").arg(i, 4, 10, QLatin1Char('0'));
        addPoint(Section::Inputs, address, address);
        show(Section::Inputs, address, C::Masked);
    }
    list.sync(1000);
    ASSERT_EQ(list.warningCount(), inputs);
    StatusGrid& grid = sections.grid(Section::Inputs);
    const QString unmasked = grid.address(grid.rowCount());  // the one the refresh finds normal
    for (int row = 4; row <= grid.rowCount(); ++row) {       // the fixture's three inputs stay as they are
        const QString address = grid.address(row);
        show(Section::Inputs, address, RowConditions());
        if (address != unmasked)
            show(Section::Inputs, address, C::Masked);
    }
    EXPECT_TRUE(list.hasPending());
    list.sync(2000);
    EXPECT_EQ(list.warningCount(), inputs - 1);
    ASSERT_EQ(int(list.entries().size()), inputs);
    for (const AttentionEntry& e : list.entries()) {
        EXPECT_EQ(e.sinceMs, 1000) << e.address.toStdString();
        EXPECT_EQ(e.cleared(), e.address == unmasked) << e.address.toStdString();
    }
}

TEST_F(AttentionListTest, OffLinePointNamesItsOffLineController) {
    show(Section::Relays, kRelay, C::Offline);
    list.sync(1000);
    ASSERT_EQ(list.entries().size(), 1u);
    EXPECT_EQ(list.reason(list.entries()[0]), QStringLiteral("Off line"));
    show(Section::Controllers, kController, C::Offline);
    list.sync(2000);
    const AttentionEntry& relay = list.entries()[1];
    EXPECT_EQ(relay.address, kRelay);
    EXPECT_EQ(list.reason(relay), QStringLiteral("Off line — controller Parking Garage Panel off line"));
    EXPECT_EQ(list.nameOf(relay), QStringLiteral("Barrier"));
    EXPECT_EQ(list.reason(list.entries()[0]), QStringLiteral("Off line")) << "the controller itself";
}

TEST_F(AttentionListTest, SwitchedOffItListsNothingAndOnAgainItReadsTheRows) {
    list.setEnabled(false);
    show(Section::Doors, kDoor, C::Alarm | C::DoorNotClosed);
    EXPECT_FALSE(list.hasPending());
    list.sync(1000);
    EXPECT_TRUE(list.entries().empty());
    list.setEnabled(true);
    list.addAllRows(2000);
    EXPECT_EQ(order(), (QStringList{"DR01"}));
    EXPECT_EQ(list.rowOf(list.entries()[0]), 1);
    list.reset();  // another group
    EXPECT_TRUE(list.entries().empty());
    EXPECT_EQ(list.alarmCount(), 0);
}

using AlarmViewTest = AttentionListTest;

TEST_F(AlarmViewTest, AHeldEntryKeepsItsPlaceWhile500NewAlarmsArrive) {
    show(Section::Inputs, kInput1, C::Alarm);
    show(Section::Inputs, kInput2, C::Masked);
    show(Section::Inputs, kInput3, C::InputOpen);
    list.sync(1000);
    AttentionView view(list);
    view.update();
    ASSERT_EQ(view.rowCount(), 3);
    EXPECT_EQ(view.row(1).entry.address, kInput3);

    view.setHeld(true);  // the pointer is on the rows
    for (int i = 0; i < 500; ++i) {
        const QString address = QStringLiteral("\\SNET.P004.C%1.BI01").arg(i, 4, 10, QLatin1Char('0'));
        addPoint(Section::Inputs, address, address);
        show(Section::Inputs, address, C::Alarm);
        if (i % 100 == 99)
            list.sync(2000 + i);
    }
    show(Section::Inputs, kInput3, RowConditions());  // the entry held clears meanwhile
    show(Section::Inputs, kInput2, C::Alarm);         // and another becomes an alarm
    list.sync(3000);
    view.update();
    ASSERT_EQ(view.rowCount(), 3);
    EXPECT_EQ(view.row(0).entry.address, kInput1);
    EXPECT_EQ(view.row(1).entry.address, kInput3);
    EXPECT_TRUE(view.row(1).entry.cleared()) << "its state follows where it stands";
    EXPECT_TRUE(view.row(2).gone) << "raised anew: the row held is the old occurrence";
    EXPECT_EQ(view.newAlarmCount(), 501);
    EXPECT_EQ(view.newWarningCount(), 0);

    view.setHeld(false);
    EXPECT_EQ(view.rowCount(), 503);
    EXPECT_EQ(view.row(500).entry.address, kInput2) << "an alarm since it was masked, among the older ones";
    EXPECT_EQ(view.row(502).entry.address, kInput3);
    EXPECT_EQ(view.newAlarmCount(), 0);
}

TEST_F(AlarmViewTest, AnOffLineControllerFoldsItsPoints) {
    show(Section::Relays, kRelay, C::Offline);
    show(Section::Inputs, kInput1, C::Offline);
    show(Section::Inputs, kInput2, C::Offline | C::Alarm);  // in alarm too: not only its controller's
    show(Section::Inputs, kInput3, C::Offline);
    list.sync(1000);
    AttentionView view(list);
    view.update();
    EXPECT_EQ(view.rowCount(), 4) << "its controller is not off line: nothing folds";

    show(Section::Controllers, kController, C::Offline);
    list.sync(2000);
    view.update();
    ASSERT_EQ(view.rowCount(), 2);
    EXPECT_EQ(view.row(0).entry.address, kInput2);
    EXPECT_EQ(view.row(1).entry.address, kController);
    EXPECT_EQ(view.row(1).foldedPoints, 3);

    view.setExpanded(kController, true);
    view.update();
    QStringList shown;
    for (int i = 0; i < view.rowCount(); ++i)
        shown << view.row(i).entry.address.right(4) + (view.row(i).child ? QStringLiteral(" under") : QString());
    EXPECT_EQ(shown, (QStringList{"BI02", "0101", "BI03 under", "BI01 under", "BR01 under"}));

    // Held and folded: the folded points are not new.
    view.setExpanded(kController, false);
    view.update();
    view.setHeld(true);
    view.update();
    EXPECT_EQ(view.newWarningCount(), 0);
    EXPECT_EQ(view.newAlarmCount(), 0);
}

TEST(AttentionTextsTest, DurationsReadAtAGlance) {
    const std::pair<qint64, const char*> cases[] = {
        {-5, "0 s"},
        {999, "0 s"},
        {59999, "59 s"},
        {60000, "1 min 00 s"},
        {3599000, "59 min 59 s"},
        {3600000, "1 h 00 min"},
        {(26 * 3600 + 5 * 60 + 7) * 1000LL, "26 h 05 min"},
        {(47 * 3600 + 59 * 60) * 1000LL, "47 h 59 min"},
        {(640 * 86400 + 3 * 3600 + 59 * 60) * 1000LL, "640 d 03 h"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(AttentionList::durationText(ms), QString::fromLatin1(text)) << ms;
}

TEST(AttentionTextsTest, SinceSaysItsDayUnlessToday) {
    const QDateTime longAgo(QDate(2024, 3, 5), QTime(18, 47, 2));
    EXPECT_EQ(AttentionList::clockText(longAgo.toMSecsSinceEpoch()), QStringLiteral("2024-03-05 18:47:02"));
    const QDateTime today(QDate::currentDate(), QTime(0, 0, 1));
    EXPECT_EQ(AttentionList::clockText(today.toMSecsSinceEpoch()), QStringLiteral("00:00:01"));
}

/// Keeps a copy of the view's rows from what its listener hears, as a table model must.
struct MirroredRows final : AttentionView::Listener {
    explicit MirroredRows(AttentionView& view) : view(view) {
        view.setListener(this);
        rows = read(view);
    }
    ~MirroredRows() override { view.setListener(nullptr); }
    static QString text(const AttentionRow& r) {
        return QStringLiteral("%1%2%3%4%5 %6 folded %7")
            .arg(r.entry.address.mid(7), r.child ? QStringLiteral(" under") : QString(),
                 r.entry.cleared() ? QStringLiteral(" cleared") : QString(),
                 r.entry.acknowledged() ? QStringLiteral(" acknowledged") : QString(),
                 r.gone ? QStringLiteral(" gone") : QString(), conditionWords(r.entry.conditions))
            .arg(r.foldedPoints);
    }
    static QStringList read(const AttentionView& view) {
        QStringList out;
        for (int i = 0; i < view.rowCount(); ++i)
            out << text(view.row(i));
        return out;
    }
    void rowAboutToBeInserted(int row) override { inserting = row; }
    void rowInserted() override { rows.insert(inserting, text(view.row(inserting))); }
    void rowAboutToBeRemoved(int row) override { rows.removeAt(row); }
    void rowRemoved() override {}
    void rowChanged(int row) override { rows[row] = text(view.row(row)); }
    void rowsAboutToBeReset() override {}
    void rowsReset() override {
        rows = read(view);
        ++resets;
    }

    AttentionView& view;
    QStringList rows;
    int inserting = -1;
    int resets = 0;
};

TEST_F(AttentionListTest, RowsFollowingTheListsChangesEqualRowsReadWhole) {
    // Random storms over two controllers and their points: after every update the rows the view
    // keeps (and what its listener was told) equal a view reading the list afresh; held, no row
    // moves.
    const QString controller2 = QStringLiteral("\\\\SNET.P001.C0102");
    addPoint(Section::Controllers, controller2, QStringLiteral("Loading Dock Panel"));
    QVector<std::pair<Section, QString>> points{{Section::Controllers, kController}, {Section::Doors, kDoor},
                                                {Section::Inputs, kInput1},          {Section::Inputs, kInput2},
                                                {Section::Inputs, kInput3},          {Section::Relays, kRelay},
                                                {Section::Controllers, controller2}};
    for (int i = 1; i <= 30; ++i) {
        const QString input = controller2 + QStringLiteral(".BI%1").arg(i, 2, 10, QLatin1Char('0'));
        addPoint(Section::Inputs, input, input.right(4));
        points.append({Section::Inputs, input});
    }
    const RowConditions states[] = {RowConditions(),       C::Offline,  C::Offline, C::Alarm, C::Masked,
                                    C::Offline | C::Alarm, C::InputOpen};
    for (const unsigned seed : {1u, 7u, 42u, 2024u}) {
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return int(random() % unsigned(n)); };
        AttentionView view(list);
        view.update();
        MirroredRows mirror(view);
        int resets = 0;
        QStringList held;
        for (int step = 0; step < 300; ++step) {
            // Mostly a few changes, reaching the listener row by row; now and then a burst, as one reset.
            const bool burst = pick(8) == 0;
            resets += burst ? 1 : 0;
            for (int n = burst ? 40 : 1 + pick(4); n > 0; --n) {
                const auto& [section, address] = points[pick(int(points.size()))];
                show(section, address, states[pick(section == Section::Controllers ? 3 : 7)]);
            }
            list.sync(10000 * (seed + 1) + step * 100);
            switch (pick(12)) {
            case 0: view.setHeld(!view.isHeld()); break;
            case 1: {
                const QString& c = pick(2) ? kController : controller2;
                view.setExpanded(c, !view.isExpanded(c));
                ++resets;
                break;
            }
            case 2:
                if (!list.entries().empty()) {
                    const AttentionEntry e = list.entries()[size_t(pick(int(list.entries().size())))];
                    list.acknowledge(e.address, e.sinceMs, QStringLiteral("Night Operator"), 5);
                }
                break;
            case 3: list.removeCleared(); break;
            default: break;
            }
            const bool wasHeld = view.isHeld() && !held.isEmpty();
            view.update();
            ASSERT_EQ(mirror.rows, MirroredRows::read(view)) << "seed " << seed << " step " << step;
            if (view.isHeld()) {
                QStringList places;
                for (int i = 0; i < view.rowCount(); ++i)
                    places << view.row(i).entry.address;
                if (wasHeld)
                    ASSERT_EQ(places, held) << "held rows keep their places; seed " << seed << " step " << step;
                held = places;
                continue;
            }
            held.clear();
            AttentionView whole(list);
            for (const auto& c : {kController, controller2})
                whole.setExpanded(c, view.isExpanded(c));
            whole.update();
            ASSERT_EQ(MirroredRows::read(view), MirroredRows::read(whole)) << "seed " << seed << " step " << step;
        }
        EXPECT_LE(mirror.resets, resets) << "a few changes arrive row by row";
        list.reset();
    }
}

}  // namespace
}  // namespace so::test
