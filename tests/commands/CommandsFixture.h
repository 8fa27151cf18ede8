// The context menus on the status window's state object (WindowFixture: a generated demo site in a
// private in-memory database, with the recording host); helpers to click rows and read the host's calls.
#pragma once

#include "window/WindowFixture.h"

#include "commands/ContextMenus.h"
#include "status/StatusBoard.h"
#include "status/SuperStatus.h"

#include <QFile>

#include <memory>

namespace so::test {

/// The host calls a command can make (permission questions, texts and the like left out).
inline const QStringList kCommandCalls = {QStringLiteral("DTApiCall"),
                                          QStringLiteral("ZR2ExecuteAccessFunction"),
                                          QStringLiteral("ZR2ExecuteControlFunction"),
                                          QStringLiteral("ZR2ClearCodeTamper"),
                                          QStringLiteral("LogEvent"),
                                          QStringLiteral("ConfigureDevice"),
                                          QStringLiteral("AlarmFormConfigureDevice"),
                                          QStringLiteral("CallBack")};

class CommandsFixture : public WindowFixture {
protected:
    CommandsFixture() { menus = std::make_unique<ContextMenus>(ctx, *window, window->board().replay()); }

    /// Shows the stored group holding every offered point of the pane's kinds.
    void showPane(int pane) { window->FillPoints(site.sectionGroupIds[pane]); }

    /// Appends a row to a pane's grid, as a fill would; returns its number.
    int addRow(int pane, const QString& address, qint64 deviceNumber = 0, const QString& name = {}) {
        StatusGrid& grid = window->board().sections().grid(pane);
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
        window->setCurrentCell(Section(pane), row, 1);
    }

    /// A right click on a row: press, then release over the selected cell. Returns the menu built.
    TopMenu rightClick(int pane, const QString& address) {
        window->gridPressed(Section(pane), 2);
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

    /// The component's own log file as text.
    QString logText() const {
        QFile file(logDir.filePath(ctx.errorLog.componentFileName() + QStringLiteral(".log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::unique_ptr<ContextMenus> menus;
};

}  // namespace so::test
