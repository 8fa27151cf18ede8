#include "DeviceWindows.h"

#include "AppLog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sv {
namespace {

QString valueText(const QVariant& v) { return v.isNull() ? QStringLiteral("(none)") : v.toString(); }

/// The first column that names the device, for the headless log line.
QString nameOf(const StoredRow& row) {
    static const char* const nameColumns[] = {"Name", "DoorName", "Controller_Name", "PylonName", "PortName"};
    for (const char* column : nameColumns)
        for (const auto& field : row)
            if (field.first.compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
                return field.second;
    return {};
}

/// The labels of the site's configuration columns; `flag` columns hold 1/0 (or -1/0) and read
/// as Yes/No. A column not listed is labelled by its name split into words.
struct ColumnLabel {
    const char* column;
    const char* label;
    bool flag = false;
};
constexpr ColumnLabel kColumnLabels[] = {
    {"DoorId", "Number"},
    {"InputID", "Number"},
    {"ExpInputID", "Number"},
    {"OutputID", "Number"},
    {"ExpOutputID", "Number"},
    {"ReaderId", "Number"},
    {"Controller_ID", "Number"},
    {"PylonID", "Number"},
    {"RelayID", "Number"},
    {"ID", "Number"},
    {"PortID", "Port number"},
    {"GlobalAddressID", "Global address"},
    {"Name", "Name"},
    {"DoorName", "Name"},
    {"Controller_Name", "Name"},
    {"PylonName", "Name"},
    {"PortName", "Name"},
    {"Address", "Address"},
    {"Address2", "Port address"},
    {"ControllerID", "Controller number"},
    {"Index", "Point on its controller"},
    {"InputIndex", "Input on its controller"},
    {"OutputIndex", "Relay on its controller"},
    {"ReaderIndex", "Reader on its controller"},
    {"Active", "Active", true},
    {"Disabled", "Disabled", true},
    {"Enabled", "Enabled", true},
    {"Installed", "Installed", true},
    {"Online", "On line", true},
    {"InTamper", "In tamper", true},
    {"BelongToDoor", "A door's contact", true},
    {"TwoMan", "Two-person rule", true},
    {"invert", "Inverted", true},
    {"NormalyOpen", "Normally open", true},
    {"normal_open", "Normally open", true},
    {"NormallyClosed", "Normally closed", true},
    {"Expansion", "Expansion input", true},
    {"NormalStateEnergized", "Energized when normal", true},
    {"EnergizedStatus", "Energized", true},
    {"AnlgMode", "Supervised lines"},
    {"Anlg_mode", "Supervised lines"},
    {"LineModuleType", "Supervised lines"},
    {"PanelType", "Panel type"},
    {"MaskSource", "Mask sources"},
    {"ContactStatus", "Line states"},
    {"RelayType", "Relay type"},
    {"OperationsStatus", "Mode"},
    {"ThreatLevel", "Threat level"},
    {"TwoPersonRule", "Two-person rule"},
    {"PortType", "Port type"},
    {"PortStyle", "Port style"},
    {"ModemStatus", "Modem status"},
    {"LastUpdated", "Last updated"},
    {"Revision", "Revision"},
    {"DeviceSubType", "Module type"},
};

/// "SomeColumn_name" -> "Some column name".
QString wordsOf(const QString& column) {
    QString words = column;
    words.replace(QLatin1Char('_'), QLatin1Char(' '));
    static const QRegularExpression boundary(QStringLiteral("(?<=[a-z])(?=[A-Z])"));
    words.replace(boundary, QStringLiteral(" "));
    words = words.simplified().toLower();
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

}  // namespace

StoredRow labelledFields(const StoredRow& row) {
    StoredRow fields;
    for (const auto& [column, value] : row) {
        if (column.compare(QLatin1String("ListAddress"), Qt::CaseInsensitive) == 0)
            continue;  // the controller's own address again, computed by the site
        const ColumnLabel* known = nullptr;
        for (const ColumnLabel& entry : kColumnLabels)
            if (column.compare(QLatin1String(entry.column), Qt::CaseInsensitive) == 0)
                known = &entry;
        if (known == nullptr) {
            fields.append({wordsOf(column), value});
            continue;
        }
        const bool off = value == QLatin1String("0");
        const bool on = value == QLatin1String("1") || value == QLatin1String("-1");
        fields.append({QString::fromLatin1(known->label),
                       known->flag && (on || off) ? (on ? QStringLiteral("Yes") : QStringLiteral("No")) : value});
    }
    return fields;
}

DeviceWindows::DeviceWindows(so::db::Connection& db, AppLog& log, bool interactive)
    : db_(db), log_(log), interactive_(interactive) {}

DeviceWindows::~DeviceWindows() {
    for (const QPointer<QWidget>& w : windows_)
        delete w.data();
}

std::optional<DeviceTable> DeviceWindows::tableForKind(const QString& kind) {
    // The kinds the status component passes; table and column names come only from this list.
    struct Entry {
        const char* kind;
        DeviceTable table;
    };
    static const Entry entries[] = {
        {"Door", {"Doors", "DoorId", "Door"}},
        {"Input", {"Inputs", "InputID", "Input"}},
        {"ExpInput", {"ExpInputs", "ExpInputID", "Expansion Input"}},
        {"Output", {"Outputs", "OutputID", "Relay"}},
        {"ExpOutput", {"ExpOutputs", "ExpOutputID", "Expansion Relay"}},
        {"Reader", {"Readers", "ReaderId", "Reader"}},
        {"Controller", {"Controllers", "Controller_ID", "Controller"}},
        {"Pylon", {"Pylons", "PylonID", "Communication Box"}},
        {"Port", {"ServerPorts", "PortID", "Port"}},
        {"Dialup Location", {"ServerPorts", "PortID", "Dial-up Location"}},
        {"CCTVPort", {"ServerPorts", "PortID", "CCTV Port"}},
        {"ZR2Door", {"ZRII_Doors", "DoorID", "Door"}},
        {"ZR2Input", {"ZRII_Inputs", "InputID", "Input"}},
        {"ZR2Relay", {"ZRII_Relays", "RelayID", "Relay"}},
        {"ZR2Reader", {"ZRII_Readers", "ReaderID", "Reader"}},
    };
    for (const Entry& e : entries)
        if (kind == QLatin1String(e.kind))
            return e.table;
    return std::nullopt;
}

StoredRow DeviceWindows::storedRow(const DeviceTable& table, qint32 id) {
    so::db::Command cmd(db_, QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(table.table, table.idColumn));
    cmd.appendParameter(QStringLiteral("@ID"), so::db::ParamType::Integer, so::db::ParamDirection::Input, 4, id);
    StoredRow row;
    so::db::Recordset rs = cmd.open();
    if (!rs.eof())
        for (int i = 0; i < rs.fieldCount(); ++i)
            row.append({rs.fieldName(i), valueText(rs.field(i))});
    rs.close();
    return row;
}

void DeviceWindows::showDevice(const QString& kind, qint32 id) {
    const std::optional<DeviceTable> table = tableForKind(kind);
    if (!table) {
        log_.error(QStringLiteral("Properties asked for an unknown device kind \"%1\" (%2)").arg(kind).arg(id));
        return;
    }
    const StoredRow row = storedRow(*table, id);
    const QString title = QStringLiteral("%1 %2 Properties").arg(table->title).arg(id);
    if (row.isEmpty()) {
        log_.error(QStringLiteral("%1: no %2 with %3 %4").arg(title, table->table, table->idColumn).arg(id));
        return;
    }
    present(title, row);
}

void DeviceWindows::showRecorder(qint32 globalAddressId) {
    for (const DeviceTable& table : {DeviceTable{"DVR_Config", "GlobalAddressID", "Video Recorder"},
                                     DeviceTable{"CSR_Config", "GlobalAddressID", "Monitoring Station"}}) {
        const StoredRow row = storedRow(table, globalAddressId);
        if (!row.isEmpty()) {
            present(QStringLiteral("%1 %2 Properties").arg(table.title).arg(globalAddressId), row);
            return;
        }
    }
    log_.error(QStringLiteral("Properties asked for global address %1, which no recorder has").arg(globalAddressId));
}

QString DeviceWindows::helpText(qint32 helpContext) {
    switch (helpContext) {
    case 212:
        return QStringLiteral(
            "Status Viewer\n\n"
            "Shows the live state of the points of the chosen status group, one section per kind of "
            "point. Choose a group in the Status Group box; right-click a row for its commands.\n\n"
            "Masked Points lists every masked input of the site. Configure Status Groups creates, "
            "changes and deletes groups and chooses the columns of each section.");
    case 34:
        return QStringLiteral(
            "Status Viewer keys\n\n"
            "F1  this help\nF5  refresh every row from the stored status\nEsc  close the status window");
    default: return QStringLiteral("Help topic %1\n\nThere is no page for this topic.").arg(helpContext);
    }
}

void DeviceWindows::showHelp(qint32 helpContext) {
    const QString text = helpText(helpContext);
    if (!opensWindows()) {
        log_.info(QStringLiteral("Help %1: %2").arg(helpContext).arg(text.section(QLatin1Char('\n'), 0, 0)));
        return;
    }
    // One Help window: a second request (the Help button, then F1) shows its page there and
    // brings it forward instead of opening another.
    if (help_) {
        help_->findChild<QLabel*>()->setText(text);
        help_->show();
        help_->raise();
        help_->activateWindow();
        return;
    }
    auto* dialog = new QDialog;
    dialog->setWindowTitle(QStringLiteral("Help"));
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(text, dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(420, 220);
    help_ = dialog;
    track(dialog);
}

bool DeviceWindows::opensWindows() const {
    return interactive_ && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

int DeviceWindows::openWindowCount() const {
    int n = 0;
    for (const QPointer<QWidget>& w : windows_)
        n += w.isNull() ? 0 : 1;
    return n;
}

void DeviceWindows::present(const QString& title, const StoredRow& row) {
    if (!opensWindows()) {
        const QString name = nameOf(row);
        log_.info(name.isEmpty() ? title : QStringLiteral("%1: %2").arg(title, name));
        return;
    }
    auto* dialog = new QDialog;
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    // One labelled line per field, its value selectable for copying.
    auto* fields = new QWidget;
    auto* form = new QFormLayout(fields);
    for (const auto& [label, value] : labelledFields(row)) {
        auto* shown = new QLabel(value, fields);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label + QLatin1Char(':'), shown);
    }
    auto* scroll = new QScrollArea(dialog);
    scroll->setWidgetResizable(true);
    scroll->setWidget(fields);
    layout->addWidget(scroll);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(440, 420);
    track(dialog);
}

void DeviceWindows::track(QWidget* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    windows_.removeIf([](const QPointer<QWidget>& w) { return w.isNull(); });
    windows_.append(window);
    window->show();
    window->raise();
}

}  // namespace sv
