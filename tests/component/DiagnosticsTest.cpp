// The rows a window shows, as a host's test driver compares two windows with them: equal for two
// windows showing the same states whatever their column order, different as soon as one cell
// differs, the reception time and (on request) the newer-line rows left out.
#include "component/ComponentFixture.h"

#include <statusobject/Diagnostics.h>
#include <statusobject/Vocabulary.h>

namespace so::test {
namespace {

class ShownRowsTest : public ComponentTest {};

TEST_F(ShownRowsTest, TwoWindowsShowingTheSameStatesListTheSameRows) {
    EXPECT_TRUE(diagnostics::shownRows(*status).isEmpty()) << "nothing shown before Show";
    FakeHost otherHost;
    FakeDialogs otherDialogs;
    std::unique_ptr<Status> other = makeStatus(otherHost, otherDialogs);
    status->Show();
    other->Show();
    chooseGroup(site.siteGroupId);
    windowOf(*other).selectGroupEntry(windowOf(*other).findGroupEntry(site.siteGroupId));

    const QStringList rows = diagnostics::shownRows(*status);
    ASSERT_EQ(rows.size(), status->pointsShown());
    EXPECT_EQ(diagnostics::shownRows(*other), rows);
    for (const QString& line : rows)
        ASSERT_FALSE(line.contains(QStringLiteral("\tLastUpdated="))) << line.toStdString();

    // Another column order in one window lists the same rows.
    StatusGrid& doors = windowOf(*other).board().sections().grid(Section::Doors);
    doors.moveColumn(doors.columnCount() - 1, 0);
    EXPECT_EQ(diagnostics::shownRows(*other), rows);

    // One state reported to one window only: the input's line differs (and its door's, which
    // shows the input), no other.
    const QString input = grid(sectionIndex(Section::Inputs)).text(1, QStringLiteral("Address"));
    status->StateChange(device::StdInput, input, state::AlarmSet, QStringLiteral("2024-05-06 10:00:00"));
    const QStringList changed = diagnostics::shownRows(*status);
    ASSERT_EQ(changed.size(), rows.size());
    QStringList differing;
    for (int i = 0; i < rows.size(); ++i)
        if (changed.at(i) != rows.at(i))
            differing << changed.at(i);
    ASSERT_GE(differing.size(), 1);
    EXPECT_LE(differing.size(), 2);
    EXPECT_TRUE(differing.filter(input).size() == 1 &&
                differing.filter(input).first().startsWith(QStringLiteral("1\t")));

    // The newer-line rows can be left out; the classic ones stay.
    const QStringList classic = diagnostics::shownRows(*status, false);
    EXPECT_LT(classic.size(), changed.size());
    EXPECT_FALSE(classic.join(QLatin1Char('\n')).contains(QStringLiteral("ZRII")));
    EXPECT_TRUE(classic.contains(differing.filter(input).first()));
}

}  // namespace
}  // namespace so::test
