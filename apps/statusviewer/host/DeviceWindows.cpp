#include "host/DeviceWindows.h"

#include "host/AppLog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sv {
namespace {

QString text(const char* english) { return QCoreApplication::translate("sv::DeviceWindows", english); }

QString valueText(const QVariant& v) {
    return v.isNull() ? text(QT_TRANSLATE_NOOP("sv::DeviceWindows", "(none)")) : v.toString();
}

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
    {"DoorId", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"InputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"ExpInputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"OutputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"ExpOutputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"ReaderId", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"Controller_ID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"PylonID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"RelayID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"ID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Number")},
    {"PortID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Port number")},
    {"GlobalAddressID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Global address")},
    {"Name", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Name")},
    {"DoorName", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Name")},
    {"Controller_Name", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Name")},
    {"PylonName", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Name")},
    {"PortName", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Name")},
    {"Address", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Address")},
    {"Address2", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Port address")},
    {"ControllerID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Controller number")},
    {"Index", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Point on its controller")},
    {"InputIndex", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Input on its controller")},
    {"OutputIndex", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Relay on its controller")},
    {"ReaderIndex", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Reader on its controller")},
    {"Active", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Active"), true},
    {"Disabled", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Disabled"), true},
    {"Enabled", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Enabled"), true},
    {"Installed", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Installed"), true},
    {"Online", QT_TRANSLATE_NOOP("sv::DeviceWindows", "On line"), true},
    {"InTamper", QT_TRANSLATE_NOOP("sv::DeviceWindows", "In tamper"), true},
    {"BelongToDoor", QT_TRANSLATE_NOOP("sv::DeviceWindows", "A door's contact"), true},
    {"TwoMan", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Two-person rule"), true},
    {"invert", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Inverted"), true},
    {"NormalyOpen", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Normally open"), true},
    {"normal_open", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Normally open"), true},
    {"NormallyClosed", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Normally closed"), true},
    {"Expansion", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Expansion input"), true},
    {"NormalStateEnergized", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Energized when normal"), true},
    {"EnergizedStatus", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Energized"), true},
    {"AnlgMode", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Supervised lines")},
    {"Anlg_mode", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Supervised lines")},
    {"LineModuleType", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Supervised lines")},
    {"PanelType", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Panel type")},
    {"MaskSource", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Mask sources")},
    {"ContactStatus", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Line states")},
    {"RelayType", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Relay type")},
    {"OperationsStatus", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Mode")},
    {"ThreatLevel", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Threat level")},
    {"TwoPersonRule", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Two-person rule")},
    {"PortType", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Port type")},
    {"PortStyle", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Port style")},
    {"ModemStatus", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Modem status")},
    {"LastUpdated", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Last updated")},
    {"Revision", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Revision")},
    {"DeviceSubType", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Module type")},
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
        fields.append({text(known->label), known->flag && (on || off)
                                               ? text(on ? QT_TRANSLATE_NOOP("sv::DeviceWindows", "Yes")
                                                         : QT_TRANSLATE_NOOP("sv::DeviceWindows", "No"))
                                               : value});
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
        {"Door", {"Doors", "DoorId", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Door")}},
        {"Input", {"Inputs", "InputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Input")}},
        {"ExpInput", {"ExpInputs", "ExpInputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Expansion Input")}},
        {"Output", {"Outputs", "OutputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Relay")}},
        {"ExpOutput", {"ExpOutputs", "ExpOutputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Expansion Relay")}},
        {"Reader", {"Readers", "ReaderId", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Reader")}},
        {"Controller", {"Controllers", "Controller_ID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Controller")}},
        {"Pylon", {"Pylons", "PylonID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Communication Box")}},
        {"Port", {"ServerPorts", "PortID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Port")}},
        {"Dialup Location", {"ServerPorts", "PortID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Dial-up Location")}},
        {"CCTVPort", {"ServerPorts", "PortID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "CCTV Port")}},
        {"ZR2Door", {"ZRII_Doors", "DoorID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Door")}},
        {"ZR2Input", {"ZRII_Inputs", "InputID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Input")}},
        {"ZR2Relay", {"ZRII_Relays", "RelayID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Relay")}},
        {"ZR2Reader", {"ZRII_Readers", "ReaderID", QT_TRANSLATE_NOOP("sv::DeviceWindows", "Reader")}},
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
    const QString title = tr("%1 %2 Properties").arg(text(table->title.toUtf8().constData())).arg(id);
    if (row.isEmpty()) {
        log_.error(QStringLiteral("%1: no %2 with %3 %4").arg(title, table->table, table->idColumn).arg(id));
        return;
    }
    present(title, row);
}

void DeviceWindows::showRecorder(qint32 globalAddressId) {
    for (const DeviceTable& table : {DeviceTable{"DVR_Config", "GlobalAddressID", QT_TR_NOOP("Video Recorder")},
                                     DeviceTable{"CSR_Config", "GlobalAddressID", QT_TR_NOOP("Monitoring Station")}}) {
        const StoredRow row = storedRow(table, globalAddressId);
        if (!row.isEmpty()) {
            present(tr("%1 %2 Properties").arg(text(table.title.toUtf8().constData())).arg(globalAddressId), row);
            return;
        }
    }
    log_.error(QStringLiteral("Properties asked for global address %1, which no recorder has").arg(globalAddressId));
}

QString DeviceWindows::helpText(qint32 helpContext) {
    switch (helpContext) {
    case 212:
        return tr(
            "Status Viewer\n\n"
            "Shows the live state of the points of the chosen status group, one section per kind of "
            "point. Choose a group in the Status Group box; right-click a row for its commands.\n\n"
            "Masked Points lists every masked input of the site. Configure Status Groups creates, "
            "changes and deletes groups and chooses the columns of each section.");
    case 34:
        return tr(
            "Status Viewer keys\n\n"
            "F1  this help\nF5  refresh every row from the stored status\nEsc  close the status window");
    default: return tr("Help topic %1\n\nThere is no page for this topic.").arg(helpContext);
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
    dialog->setWindowTitle(tr("Help"));
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
