// The host's property and help windows: a device's stored configuration row shown read-only in a
// small window. Windows open only when the application runs interactively with widgets; headless,
// the host writes one log line instead (what it would have shown), so nothing ever waits on a window.
#pragma once

#include <statusobject/Db.h>

#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

#include <optional>

class QWidget;

namespace sv {

class AppLog;

/// Where a device kind's configuration is stored: its table and identifier column.
struct DeviceTable {
    QString table;
    QString idColumn;
    QString title;
};

/// Column name and value of one stored row, in the table's column order.
using StoredRow = QList<QPair<QString, QString>>;

/// A stored row as the operator reads it: a label in words and the value with flags as Yes/No,
/// in the table's column order; columns the site computes from others are left out.
StoredRow labelledFields(const StoredRow& row);

class DeviceWindows {
    Q_DECLARE_TR_FUNCTIONS(sv::DeviceWindows)

public:
    DeviceWindows(so::db::Connection& db, AppLog& log, bool interactive);
    ~DeviceWindows();
    DeviceWindows(const DeviceWindows&) = delete;
    DeviceWindows& operator=(const DeviceWindows&) = delete;

    /// The table of a device kind the component names ("Door", "ExpInput", "ZR2Relay", "Port" ...).
    static std::optional<DeviceTable> tableForKind(const QString& kind);
    /// The row of table whose idColumn equals id (both from tableForKind); empty when none.
    StoredRow storedRow(const DeviceTable& table, qint32 id);

    /// Shows the stored configuration of a device (ConfigureDevice, AlarmFormConfigureDevice).
    void showDevice(const QString& kind, qint32 id);
    /// Shows a recorder or monitoring station found by its global address id (DVR_Config, CSR_Config).
    void showRecorder(qint32 globalAddressId);
    /// Shows the help page of a help context.
    void showHelp(qint32 helpContext);

    /// True when windows are opened (interactive run with a widget application).
    bool opensWindows() const;
    /// Windows opened and still open.
    int openWindowCount() const;

    static QString helpText(qint32 helpContext);

private:
    void present(const QString& title, const StoredRow& row);
    void track(QWidget* window);

    so::db::Connection& db_;
    AppLog& log_;
    bool interactive_;
    QList<QPointer<QWidget>> windows_;
    QPointer<QWidget> help_;
};

}  // namespace sv
