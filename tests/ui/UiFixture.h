// The component shown with its Qt window on a generated demo site (private in-memory database),
// driven through the public Status as a host drives it, with the recording host (which here also
// hands over an image list) and scripted dialogs. Helpers click headers, cells and toggles.
#pragma once

#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "site/DemoSite.h"
#include "base/ComponentContext.h"
#include "ui/FMain.h"
#include "ui/SectionGridView.h"
#include "ui/SectionHeader.h"
#include "ui/StatusGridModel.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace so::test {

/// Sixteen plain coloured squares standing in for the host's icons.
class SquareImages : public ImageList {
public:
    int count() const override { return 100; }
    QVariant image(int index) const override {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv((index * 37) % 360, 200, 200));
        return image;
    }
};

class UiHost : public FakeHost {
public:
    const ImageList* ilconsole() override { return &images; }
    SquareImages images;
};

class UiFixture : public ::testing::Test {
protected:
    /// Points of the generated site; from about a hundred every kind is present.
    virtual int sitePoints() const { return 300; }

    void SetUp() override {
        db = db::Connection::open(QStringLiteral("sqlite::memory:"));
        db::DemoSiteOptions options;
        options.points = sitePoints();
        site = db::generateDemoSite(*db, options);
        status = makeStatus(host);
    }

    void TearDown() override {
        status.reset();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<Status> makeStatus(FakeHost& h) {
        auto s = std::make_unique<Status>();
        s->setDialogs(&dialogs);
        s->setLogFolder(logDir.path());
        s->setParent(&h);
        s->setNTConnection(&h);
        s->setDBConnection(db.get());
        s->setComputerName(QStringLiteral("WS1"));
        s->setGraphicsPath(logDir.path());
        s->setCurrentProfileID(site.defaultProfileId);
        s->setTimeFormat(true);
        return s;
    }

    /// Show, as the host calls it; the window is sized and exposed, every adapter flushed.
    void show() {
        status->Show();
        frame = qobject_cast<FMain*>(status->widget());
        ASSERT_NE(frame, nullptr) << "Show created no window";
        frame->resize(1280, 900);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        settle();
    }

    /// Lets queued changes reach the views and the layouts settle.
    void settle() {
        window().Form_Resize();
        for (int section = 0; section < kSectionCount; ++section)
            frame->sectionModel(section)->flush();
        frame->maskedModel()->flush();
        // A changed size hint ripples up one layout per round of posted events.
        for (int round = 0; round < 4; ++round)
            QCoreApplication::processEvents();
    }

    StatusWindow& window() { return status->window(); }
    StatusGrid& grid(int section) { return window().grid(section); }
    SectionGridView* view(int section) { return frame->sectionView(section); }

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

    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    QTemporaryDir logDir;
    UiHost host;
    FakeDialogs dialogs;
    std::unique_ptr<Status> status;
    FMain* frame = nullptr;
};

}  // namespace so::test
