// The status window's state object on a generated demo site in a private in-memory database, with
// the recording host, scripted dialogs and a recording view; helpers to build status groups and
// read cells.
#pragma once

#include "support/DatabaseChecksum.h"
#include "status/StatusBoard.h"
#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "site/DemoSite.h"
#include "base/ComponentContext.h"
#include "grid/ColumnLayout.h"
#include "status/MaskedPoints.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace so::test {

/// Counts what the state object asks of its view.
class RecordingView : public WindowView {
public:
    int arranged = 0;
    int sectionsChangedCount = 0;
    int groupBoxChangedCount = 0;
    int configureDialogs = 0;
    int closed = 0;
    QVector<bool> coverStates;
    QVector<int> focused;
    QRectF geometry{100, 200, 9000, 6000};
    TextMetrics metrics;
    QStringList progress;
    QVector<int> widthsChanged;

    void arrangeForm() override { ++arranged; }
    void coverChanged(bool shown) override { coverStates.append(shown); }
    void sectionsChanged() override { ++sectionsChangedCount; }
    void groupBoxChanged() override { ++groupBoxChangedCount; }
    void captionChanged(const QString&) override {}
    void focusGrid(Section section) override { focused.append(sectionIndex(section)); }
    void openConfigureDialog() override { ++configureDialogs; }
    void closeWindow() override { ++closed; }
    qint64 nativeHandle() const override { return 4711; }
    QRectF geometryTwips() const override { return geometry; }
    TextMetrics textMetrics() const override { return metrics; }
    void columnWidthsChanged(Section section) override { widthsChanged.append(sectionIndex(section)); }
    void progressChanged(const QString& text) override { progress.append(text); }
};

class WindowFixture : public ::testing::Test {
protected:
    explicit WindowFixture(int points = 400) {
        db = db::Connection::open(QStringLiteral("sqlite::memory:"));
        db::DemoSiteOptions options;
        options.points = points;
        site = db::generateDemoSite(*db, options);
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dbConnection = db.get();
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logDir.path());
        ctx.currentProfileID = site.defaultProfileId;
        host.userId = site.adminOperatorId;
        window = std::make_unique<StatusWindow>(ctx);
        window->setView(&view);
        QString layouts[kSectionCount];
        for (QString& text : layouts)
            text = kUseObjectDefault;
        window->board().sections().InitColumnHeaders(layouts);
    }

    StatusGrid& grid(int section) { return window->board().sections().grid(section); }
    int rowOf(int section, const QString& address) { return grid(section).findRow(address); }
    QString cell(int section, const QString& address, const QString& key) {
        const int row = rowOf(section, address);
        return row == 0 ? QStringLiteral("<no row>") : grid(section).text(row, key);
    }
    qint64 data(int section, const QString& address, const QString& key) {
        return grid(section).data(rowOf(section, address), key);
    }

    QVariant value(const QString& sql) {
        db::Recordset rs = db->query(sql);
        return rs.eof() ? QVariant() : rs.field(0);
    }
    QString text(const QString& sql) { return value(sql).toString(); }
    void exec(const QString& sql) { db->execute(sql); }

    /// A stored group holding the points of the given kinds that `where` selects from each kind's
    /// table (aliased t); returns its id.
    int makeGroup(const QVector<QPair<int, QString>>& kinds) {
        exec(QStringLiteral("INSERT INTO Status_Groups (GroupName, SiteID) VALUES ('Test group', 1)"));
        const int groupId = value(QStringLiteral("SELECT max(GroupID) FROM Status_Groups")).toInt();
        for (const auto& [objectId, where] : kinds) {
            const auto [table, idColumn] = tableOf(objectId);
            exec(QStringLiteral("INSERT INTO Status_Points (GroupID, ObjectID, PointID, ListAddress) "
                                "SELECT %1, %2, t.%3, t.Address FROM %4 t WHERE %5 ORDER BY t.Address")
                     .arg(groupId)
                     .arg(objectId)
                     .arg(idColumn, table, where.isEmpty() ? QStringLiteral("1 = 1") : where));
        }
        return groupId;
    }

    /// The first address of a kind's table that `where` selects.
    QString firstAddress(int objectId, const QString& where = QStringLiteral("1 = 1")) {
        return text(QStringLiteral("SELECT t.Address FROM %1 t WHERE %2 ORDER BY t.Address LIMIT 1")
                        .arg(tableOf(objectId).first, where));
    }

    static QPair<QString, QString> tableOf(int objectId) {
        switch (objectId) {
        case 1: return {QStringLiteral("Doors"), QStringLiteral("DoorId")};
        case 2: return {QStringLiteral("Inputs"), QStringLiteral("InputID")};
        case 3: return {QStringLiteral("Outputs"), QStringLiteral("OutputID")};
        case 4: return {QStringLiteral("Readers"), QStringLiteral("ReaderId")};
        case 5: return {QStringLiteral("Controllers"), QStringLiteral("Controller_ID")};
        case 6: return {QStringLiteral("Pylons"), QStringLiteral("PylonID")};
        case 7: return {QStringLiteral("ServerPorts"), QStringLiteral("PortID")};
        case 8: return {QStringLiteral("ExpInputs"), QStringLiteral("ExpInputID")};
        case 9: return {QStringLiteral("ExpOutputs"), QStringLiteral("ExpOutputID")};
        case 101: return {QStringLiteral("ZRII_Doors"), QStringLiteral("DoorID")};
        case 102: return {QStringLiteral("ZRII_Inputs"), QStringLiteral("InputID")};
        case 103: return {QStringLiteral("ZRII_Relays"), QStringLiteral("RelayID")};
        case 104: return {QStringLiteral("ZRII_Readers"), QStringLiteral("ReaderID")};
        case 105: return {QStringLiteral("ZRII_Controllers"), QStringLiteral("ID")};
        default: return {QStringLiteral("ZRII_Modules"), QStringLiteral("ID")};
        }
    }

    /// Reports written to the component's own log.
    int ownLogReports() const { return ctx.errorLog.reportsWritten(); }

    QTemporaryDir logDir;
    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    FakeHost host;
    FakeDialogs dialogs;
    RecordingView view;
    ComponentContext ctx;
    std::unique_ptr<StatusWindow> window;
};

}  // namespace so::test
