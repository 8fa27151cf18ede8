// The window's parts on their own, driven through their widgets as an operator drives them: the
// band's boxes and keys reach the window's state or tell the frame what to do, and the status bar
// shows what it is told and keeps what it is not told.
#include "ui/UiFixture.h"

#include "ui/FrameStatusBar.h"
#include "ui/ToolbarBand.h"

#include <QMenu>

namespace so::test {
namespace {

class FrameParts : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        show();
    }
};

TEST_F(FrameParts, TheBandDrivesTheWindowAndHandsFindTriageAndExportToTheFrame) {
    ToolbarBand band(window(), nullptr);
    band.resize(1200, 90);
    band.show();
    band.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&band));
    band.showGroupBox();
    band.showSections();

    // The group box mirrors the window's entries; choosing one with the keyboard loads it.
    auto* box = child<QComboBox>(QStringLiteral("groupBox"), &band);
    ASSERT_EQ(box->count(), window().groupEntries().size());
    EXPECT_EQ(box->currentIndex(), window().selectedGroupIndex());
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);
    EXPECT_EQ(window().selectedGroupIndex(), box->count() - 1);
    EXPECT_EQ(window().currentGroup(), window().groupEntries().last().itemData);

    // Find text and "Abnormal only" are the frame's to apply: the band says what was asked.
    QStringList findTexts;
    QVector<bool> abnormal;
    QVector<std::optional<Section>> exports;
    QObject::connect(&band, &ToolbarBand::findTextChanged, [&](const QString& text) { findTexts << text; });
    QObject::connect(&band, &ToolbarBand::abnormalOnlyChanged, [&](bool on) { abnormal << on; });
    QObject::connect(&band, &ToolbarBand::exportRequested, [&](std::optional<Section> s) { exports << s; });
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("findBox"), &band), QStringLiteral("BI"));
    EXPECT_EQ(findTexts, (QStringList{QStringLiteral("B"), QStringLiteral("BI")}));
    QTest::keyClick(&band, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&band, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(abnormal, (QVector<bool>{true, false}));

    // Export offers the sections the group uses; the window entry asks for every section shown.
    for (Section section : kAllSections) {
        QAction* entry = action(QStringLiteral("export") + StatusWindow::sectionName(section), &band);
        EXPECT_EQ(entry->isEnabled(), window().isSectionUsed(section)) << sectionIndex(section);
        if (entry->isEnabled() && exports.isEmpty()) {
            entry->trigger();
            ASSERT_EQ(exports.size(), 1);
            EXPECT_EQ(exports.last(), section);
        }
    }
    action(QStringLiteral("exportWindow"), &band)->trigger();
    ASSERT_EQ(exports.size(), 2);
    EXPECT_FALSE(exports.last().has_value());
}

TEST_F(FrameParts, TheStatusBarShowsWhatItIsToldAndKeepsWhatItIsNot) {
    FrameStatusBar bar(nullptr, nullptr);
    bar.show();
    EXPECT_EQ(bar.findChild<QLabel*>(QStringLiteral("siteLink")), nullptr) << "no site link, nothing said of it";
    auto* notice = child<QLabel>(QStringLiteral("notice"), &bar);
    auto* last = child<QLabel>(QStringLiteral("lastChange"), &bar);

    bar.showDeletedGroup(QStringLiteral("Night Shift"));
    EXPECT_TRUE(notice->isVisibleTo(&bar));
    EXPECT_TRUE(notice->toolTip().contains(QStringLiteral("\"Night Shift\" was deleted")));
    bar.showDeletedGroup(QString());
    EXPECT_FALSE(notice->isVisibleTo(&bar));

    const QString before = last->text();
    bar.showLastStateChange(QDateTime());
    EXPECT_EQ(last->text(), before) << "no time known yet";
    bar.showLastStateChange(QDateTime(QDate(2024, 5, 6), QTime(10, 42, 13)));
    EXPECT_EQ(last->text(), QStringLiteral("Last state change: 2024-05-06 10:42:13"));
    bar.showLastStateChange(QDateTime());
    EXPECT_EQ(last->text(), QStringLiteral("Last state change: 2024-05-06 10:42:13"));

    bar.showProgress(QStringLiteral("Loading Entire Site..."));
    EXPECT_EQ(bar.currentMessage(), QStringLiteral("Loading Entire Site..."));
    bar.showProgress(QString());
    EXPECT_TRUE(bar.currentMessage().isEmpty());

    // The window's own bar names the site database the component reaches.
    EXPECT_EQ(linkLabel()->text(), QStringLiteral("\u25CF Site database answering"));
}

}  // namespace
}  // namespace so::test
