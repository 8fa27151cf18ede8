// The component shown with its Qt window on a generated demo site (private in-memory database),
// driven through the public Status as a host drives it, with the recording host (which here also
// hands over an image list) and scripted dialogs. Helpers click headers, cells and toggles.
#pragma once

#include "support/DemoSiteStatus.h"
#include "status/StatusBoard.h"

#include "base/ComponentContext.h"
#include "component/StatusInternals.h"
#include "ui/SectionGridView.h"
#include "ui/SectionHeader.h"
#include "ui/SectionsArea.h"
#include "ui/StatusFrame.h"
#include "ui/StatusGridModel.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace so::test {

/// Right-clicks a row (from 0) of a grid view as a mouse does and hands the menu that pops up to
/// `onMenu`, which chooses an entry or closes it (the menu runs while the press is handled).
inline void rightClickRow(SectionGridView& view, int row, const std::function<void(QMenu&)>& onMenu) {
    view.gridModel()->flush();
    QCoreApplication::processEvents();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        watcher.stop();
        onMenu(*menu);
    });
    watcher.start(10);
    const QPoint centre = view.visualRect(view.model()->index(row, 0)).center();
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, centre);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, centre);
}

class UiFixture : public ::testing::Test, protected DemoSiteStatus {
protected:
    /// Points of the generated site; from about a hundred every kind is present.
    virtual int sitePoints() const { return 300; }

    void SetUp() override { open(sitePoints()); }

    void TearDown() override {
        status.reset();
        QCoreApplication::processEvents();
    }

    /// Another component on the site, with its own host and the fixture's dialogs.
    std::unique_ptr<Status> makeStatus(FakeHost& h) { return DemoSiteStatus::makeStatus(h, dialogs); }

    /// Show, as the host calls it; the window is sized and exposed, every adapter flushed.
    void show() {
        status->Show();
        frame = qobject_cast<StatusFrame*>(status->widget());
        ASSERT_NE(frame, nullptr) << "Show created no window";
        frame->resize(1280, 900);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        settle();
    }

    /// Lets queued changes reach the views and the layouts settle.
    void settle() {
        window().relayout();
        for (int section = 0; section < kSectionCount; ++section)
            modelOf(section)->flush();
        maskedList()->gridModel()->flush();
        overriddenList()->gridModel()->flush();
        // A changed size hint ripples up one layout per round of posted events.
        for (int round = 0; round < 4; ++round)
            QCoreApplication::processEvents();
    }

    StatusWindow& window() { return windowOf(*status); }
    StatusGrid& grid(int section) { return window().board().sections().grid(section); }

    // ---- the window's parts, found by object name as a screen reader or a script finds them
    /// A child of the window (or of `root`) by object name; fails the test when there is none.
    template <class T>
    T* child(const QString& name, const QObject* root = nullptr) const {
        T* found = (root != nullptr ? root : frame)->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no " << name.toStdString();
        return found;
    }
    QAction* action(const QString& name, const QObject* root = nullptr) const { return child<QAction>(name, root); }
    static QString sectionNamed(int section) { return StatusWindow::sectionName(Section(section)); }
    SectionGridView* view(int section) const { return child<SectionGridView>("grid" + sectionNamed(section)); }
    SectionHeader* headerOf(int section) const { return child<SectionHeader>("header" + sectionNamed(section)); }
    /// The strip plus grid of a section, as stacked.
    QWidget* panelOf(int section) const { return child<QWidget>("section" + sectionNamed(section)); }
    StatusGridModel* modelOf(int section) const { return view(section)->gridModel(); }
    QAction* sectionItem(int section, const QObject* root = nullptr) const {
        return action("sectionItem" + sectionNamed(section), root);
    }
    SectionGridView* maskedList() const { return child<SectionGridView>("maskedList"); }
    SectionGridView* overriddenList() const { return child<SectionGridView>("overriddenList"); }
    SectionsArea* area() const { return child<SectionsArea>("sectionsArea"); }
    /// The stacked sections.
    QWidget* sectionStack() const { return child<QWidget>("sections"); }
    /// The page in sight: the stacked sections, one section alone, the masked or overridden list.
    QWidget* pageInSight() const { return child<QStackedWidget>("pages")->currentWidget(); }
    QLabel* coverLabel() const { return child<QLabel>("cover"); }
    QComboBox* groupBoxWidget() const { return child<QComboBox>("groupBox"); }
    QLineEdit* findBoxWidget() const { return child<QLineEdit>("findBox"); }
    QLabel* findMatchesLabel() const { return child<QLabel>("findMatches"); }
    QLabel* totalsLabel() const { return child<QLabel>("totals"); }
    QLabel* noticeLabel() const { return child<QLabel>("notice"); }
    QLabel* linkLabel() const { return child<QLabel>("siteLink"); }
    QLabel* lastChangeLabel() const { return child<QLabel>("lastChange"); }

    /// Addresses of the classic inputs of the inputs section (their reports carry alarm states).
    QStringList classicInputs() {
        QStringList out;
        for (int row = 1; row <= grid(1).rowCount(); ++row) {
            const QString address = grid(1).text(row, col::Address);
            if (address.contains(QLatin1String("BI")))
                out << address;
        }
        return out;
    }

    void chooseGroup(int groupId) {
        const int index = window().findGroupEntry(groupId);
        ASSERT_GE(index, 0) << "group " << groupId << " not in the box";
        window().selectGroupEntry(index);
        settle();
    }

    void clickHeader(int section, const QString& key) {
        SectionGridView* v = view(section);
        const int column = grid(section).columnIndex(key);
        ASSERT_GE(column, 0) << key.toStdString();
        QHeaderView* header = v->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        settle();
    }

    /// The centre of a cell (row and column from 0) in the view's viewport.
    QPoint cellCentre(int section, int row, int column) {
        SectionGridView* v = view(section);
        return v->visualRect(v->model()->index(row, column)).center();
    }

    /// The texts of a column as the view shows them, top to bottom.
    QStringList shownColumn(int section, const QString& key) {
        QStringList out;
        const QAbstractItemModel* model = view(section)->model();
        const int column = grid(section).columnIndex(key);
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->data(model->index(row, column)).toString();
        return out;
    }

    StatusFrame* frame = nullptr;
};

}  // namespace so::test
