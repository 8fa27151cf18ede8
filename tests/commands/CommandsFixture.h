// The context menus on the status window's state object over a generated demo site in a private
// in-memory database, with the recording host; helpers to click rows and read the host's calls.
#pragma once

#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "commands/ContextMenus.h"
#include "site/DemoSite.h"
#include "base/ComponentContext.h"
#include "status/StatusBoard.h"
#include "status/SuperStatus.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace so::test {

/// The host calls a command can make (permission questions, texts and the like left out).
inline const QStringList kCommandCalls = {
    QStringLiteral("DTApiCall"),          QStringLiteral("ZR2ExecuteAccessFunction"),
    QStringLiteral("ZR2ExecuteControlFunction"), QStringLiteral("ZR2ClearCodeTamper"),
    QStringLiteral("LogEvent"),           QStringLiteral("ConfigureDevice"),
    QStringLiteral("AlarmFormConfigureDevice"), QStringLiteral("CallBack")};

class CommandsFixture : public ::testing::Test {
protected:
    CommandsFixture() {
        db = db::Connection::open(QStringLiteral("sqlite::memory:"));
        db::DemoSiteOptions options;
        options.points = 400;
        site = db::generateDemoSite(*db, options);
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dbConnection = db.get();
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logDir.path());
        host.userId = site.adminOperatorId;
        window = std::make_unique<StatusWindow>(ctx);
        QString layouts[kSectionCount];
        for (QString& text : layouts)
            text = kUseObjectDefault;
        window->sections().InitColumnHeaders(layouts);
        menus = std::make_unique<ContextMenus>(ctx, *window, window->board().replay());
    }

    /// Shows the stored group holding every offered point of the pane's kinds.
    void showPane(int pane) { window->FillPoints(site.sectionGroupIds[pane]); }

    int rowOf(int pane, const QString& address) { return window->grid(pane).findRowForAddress(address); }

    /// Appends a row to a pane's grid, as a fill would; returns its number.
    int addRow(int pane, const QString& address, qint64 deviceNumber = 0, const QString& name = {}) {
        StatusGrid& grid = window->grid(pane);
        const int row = grid.addRow();
        grid.setText(row, col::Address, address);
        grid.setData(row, col::Address, deviceNumber);
        grid.setText(row, col::Name, name);
        return row;
    }

    /// A press over the row: it becomes the current cell.
    void click(int pane, const QString& address) {
        const int row = rowOf(pane, address);
        ASSERT_NE(row, 0) << address.toStdString();
        window->setCurrentCell(pane, row, 1);
    }

    /// A right click on a row: press, then release over the selected cell. Returns the menu built.
    TopMenu rightClick(int pane, const QString& address) {
        window->gridPressed(pane, 2);
        click(pane, address);
        return menus->buttonReleased(pane, [](int, int) { return true; });
    }

    /// The command calls the host received, as text, in order.
    QStringList commands() const {
        QStringList out;
        for (const HostCall& call : host.calls)
            if (kCommandCalls.contains(call.name))
                out << call.toString();
        return out;
    }

    QVariant value(const QString& sql) {
        db::Recordset rs = db->query(sql);
        return rs.eof() ? QVariant() : rs.field(0);
    }
    QString text(const QString& sql) { return value(sql).toString(); }
    void exec(const QString& sql) { db->execute(sql); }

    int ownLogReports() const { return ctx.errorLog.reportsWritten(); }
    /// The component's own log file as text.
    QString logText() const {
        QFile file(logDir.filePath(ctx.errorLog.componentFileName() + QStringLiteral(".log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir logDir;
    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    FakeHost host;
    FakeDialogs dialogs;
    ComponentContext ctx;
    std::unique_ptr<StatusWindow> window;
    std::unique_ptr<ContextMenus> menus;
};

}  // namespace so::test
