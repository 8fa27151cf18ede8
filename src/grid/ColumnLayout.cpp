#include "grid/ColumnLayout.h"

#include "base/Errors.h"
#include "base/Texts.h"
#include "base/Convert.h"
#include "domain/Section.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace so {
namespace {

/// A default column: caption text resource `resource`, or the literal caption when resource is 0.
struct DefaultColumn {
    const QString& key;
    int resource;
    const char* caption;
    int width;
};

const QString kFieldSeparator = QStringLiteral("][");
const char* const kNotUsedCaption = QT_TRANSLATE_NOOP("so::ColumnLayout", "Data");

QVector<ColumnSpec> resolve(ComponentContext& ctx, std::initializer_list<DefaultColumn> columns, bool withNotUsed) {
    QVector<ColumnSpec> out;
    out.reserve(int(columns.size()) + 1);
    for (const DefaultColumn& c : columns)
        out.append({c.key,
                    c.resource != 0 ? GRS(ctx, c.resource) : QCoreApplication::translate("so::ColumnLayout", c.caption),
                    c.width, true});
    if (withNotUsed)
        out.append({col::NotUsed, QCoreApplication::translate("so::ColumnLayout", kNotUsedCaption), 0, false});
    return out;
}

bool toVisibleFlag(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return toNumber(t) != 0;  // TypeMismatch for anything else
}

}  // namespace

const QString& columnKey(ColumnId id) {
    using namespace col;
    static const QString* const kKeys[] = {
        &Name,         &Address,       &Status,      &Alarm,         &Masked,      &Enabled,
        &Input1,       &Input2,        &Input3,      &LMType,        &Voltage,     &RelayStatus,
        &RelayDetails, &TwoPersonRule, &LastUpdated, &NotUsed,       &ThreatLevel, &CTamper,
        &PTamper,      &Enclosure,     &Terminal,    &ACPower,       &UPSBattF,    &KeypadMode,
        &MemoryBatt,   &ParallelPrint, &SerialPrint, &TamperPending, &Rev,
    };
    static_assert(std::size(kKeys) == std::size_t(ColumnId::Count));
    return *kKeys[std::size_t(id)];
}

void GridColumns::resolve(const StatusGrid& grid) {
    layoutVersion_ = grid.layoutVersion();
    for (std::size_t id = 0; id < index_.size(); ++id)
        index_[id] = grid.columnIndex(columnKey(ColumnId(id)));
}

void GridColumns::throwMissing(ColumnId id) { throw MissingColumnError(columnKey(id)); }

QVector<ColumnSpec> defaultColumns(ComponentContext& ctx, Section section) {
    using namespace col;
    switch (section) {
    case Section::Doors:
        return resolve(ctx,
                       {{Name, 1386, "", 85},
                        {Address, 1387, "", 129},
                        {Status, 1388, "", 127},
                        {Alarm, 1389, "", 47},
                        {Masked, 1390, "", 54},
                        {Enabled, 1397, "", 53},
                        {Input1, 1391, "", 50},
                        {Input2, 1392, "", 41},
                        {Input3, 1393, "", 49},
                        {LMType, 1398, "", 32},
                        {Voltage, 1399, "", 53},
                        {RelayStatus, 1394, "", 43},
                        {RelayDetails, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "R Details"), 50},
                        {TwoPersonRule, 1395, "", 34},
                        {LastUpdated, 1400, "", 107}},
                       true);
    case Section::Inputs:
        return resolve(ctx,
                       {{Name, 1401, "", 90},
                        {Address, 1387, "", 124},
                        {Status, 1388, "", 126},
                        {Alarm, 1389, "", 47},
                        {Masked, 1390, "", 54},
                        {Enabled, 1397, "", 54},
                        {Input1, 1391, "", 49},
                        {Input2, 1392, "", 42},
                        {Input3, 1393, "", 51},
                        {LMType, 1398, "", 31},
                        {Voltage, 1399, "", 130},
                        {LastUpdated, 1400, "", 113}},
                       true);
    case Section::Relays:
        return resolve(ctx,
                       {{Name, 1402, "", 87},
                        {Address, 1387, "", 127},
                        {Status, 1388, "", 496},
                        {RelayDetails, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "R Details"), 50},
                        {LastUpdated, 1400, "", 119}},
                       true);
    case Section::Readers:
        return resolve(ctx,
                       {{Name, 1403, "", 90},
                        {Address, 1387, "", 125},
                        {Status, 1388, "", 59},
                        {ThreatLevel, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "Threat Level"), 59},
                        {CTamper, 1404, "", 80},
                        {PTamper, 1405, "", 359},
                        {LastUpdated, 1400, "", 120}},
                       true);
    case Section::Controllers:
        return resolve(ctx,
                       {{Name, 1406, "", 90},
                        {Address, 1387, "", 121},
                        {Status, 1388, "", 64},
                        {ThreatLevel, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "Threat Level"), 59},
                        {Enclosure, 1407, "", 64},
                        {Enabled, 1397, "", 59},
                        {Terminal, 1424, "", 67},
                        {ACPower, 1411, "", 60},
                        {UPSBattF, 1425, "", 73},
                        {KeypadMode, 1418, "", 41},
                        {MemoryBatt, 1419, "", 37},
                        {ParallelPrint, 1420, "", 45},
                        {SerialPrint, 1421, "", 54},
                        {TamperPending, 1422, "", 94},
                        {LastUpdated, 1400, "", 129}},
                       true);
    case Section::Boxes:
        return resolve(ctx,
                       {{Name, 1426, "", 90},
                        {Address, 1387, "", 309},
                        {Enabled, 1397, "", 64},
                        {Rev, 1396, "", 260},
                        {LastUpdated, 1400, "", 126}},
                       true);
    case Section::Ports:
        return resolve(ctx,
                       {{Name, 1427, "", 90},
                        {Address, 1387, "", 126},
                        {Status, 1388, "", 183},
                        {Enabled, 1397, "", 325},
                        {LastUpdated, 1400, "", 146}},
                       true);
    case Section::Modules:
        return resolve(ctx,
                       {{Name, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "Module Name"), 92},
                        {Address, 1387, "", 129},
                        {Status, 1388, "", 117},
                        {Enclosure, 1407, "", 64},
                        {LastUpdated, 1400, "", 111}},
                       true);
    }
    return {};
}

QVector<ColumnSpec> maskedGridColumns(ComponentContext& ctx) {
    using namespace col;
    return resolve(ctx,
                   {{Name, 2998, "", 100},
                    {Address, 1387, "", 228},
                    {Status, 0, QT_TRANSLATE_NOOP("so::ColumnLayout", "Reason Masked"), 500}},
                   true);
}

bool layoutMeansDefaults(Section section, const QString& layoutText) {
    // An empty text is a profile without stored layouts: it gets the default columns.
    if (layoutText.trimmed().isEmpty() || layoutText == kUseObjectDefault)
        return true;
    // Module layouts saved before that grid had its present columns are thrown away.
    return section == Section::Modules &&
           (layoutText.contains(QLatin1String("XInput Name")) || !layoutText.contains(QLatin1String("Enclosure")));
}

QHash<QString, QString> hostCaptions(const QVector<ColumnSpec>& defaults) {
    QHash<QString, QString> captions;
    for (const ColumnSpec& c : defaults)
        captions.insert(c.key, c.caption);
    return captions;
}

void addLayoutColumns(StatusGrid& grid, const QString& layoutText, const QHash<QString, QString>& hostCaptions) {
    QVector<QStringList> entries;
    for (const QString& entry : layoutText.split(QLatin1Char(','))) {
        if (entry.trimmed().isEmpty())
            continue;
        QStringList fields = entry.split(kFieldSeparator);
        if (fields.size() < 5)
            throw ComponentError(ComponentError::SubscriptOutOfRange,
                                 QStringLiteral("Column layout entry without five fields: \"%1\"").arg(entry));
        entries.append(fields);
    }
    const int n = int(entries.size());
    // A position that is not a whole number from 1 to n matches no place and is never added (it
    // is range-checked before the conversion: a huge number does not fit an int).
    QVector<int> positions(n, 0);
    for (int i = 0; i < n; ++i) {
        bool ok = false;
        const double position = entries[i][2].trimmed().toDouble(&ok);
        positions[i] = ok && position >= 1 && position <= n && position == std::floor(position) ? int(position) : 0;
    }
    for (int p = 1; p <= n; ++p) {
        const int i = int(positions.indexOf(p));
        if (i < 0)
            continue;
        const QStringList& f = entries[i];
        const QString caption = f[1].isEmpty() ? hostCaptions.value(f[0]) : f[1];
        grid.addColumn(f[0], caption, 0, -1, toInt32(f[3]), toVisibleFlag(f[4]));
    }
}

QString buildLayoutText(const StatusGrid& grid, const QStringList& leaveOutWhileHidden,
                        const QHash<QString, QString>& hostCaptions) {
    QStringList entries;
    for (int i = 0; i < grid.columnCount(); ++i) {
        const GridColumn& c = grid.column(i);
        if (!c.visible && leaveOutWhileHidden.contains(c.key))
            continue;
        const auto host = hostCaptions.constFind(c.key);
        QString caption = host != hostCaptions.cend() && *host == c.caption ? QString() : c.caption;
        caption.replace(kFieldSeparator, QStringLiteral("] [")).replace(QLatin1Char(','), QLatin1Char(';'));
        entries << QStringList{c.key, caption, QString::number(entries.size() + 1), QString::number(c.width),
                               c.visible ? QStringLiteral("True") : QStringLiteral("False")}
                       .join(kFieldSeparator);
    }
    return entries.join(QLatin1Char(','));
}

}  // namespace so
