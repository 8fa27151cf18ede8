#include "cli/MomentCompare.h"

#include <QHash>

#include <numeric>

namespace sv {
namespace {

/// The words of a point's state: "Caption: text" for each column in `columns`, joined by "; ".
QString stateWords(const ShownPoint& point, const QVector<int>& columns) {
    QStringList words;
    for (int c : columns)
        words << point.captions.at(c) + QStringLiteral(": ") + point.cells.at(c);
    return words.join(QStringLiteral("; "));
}

QString pointKey(const ShownPoint& point) { return point.section + QLatin1Char('\n') + point.address; }

/// The columns of `point` whose text differs from `other`'s column of the same caption (a column
/// the other lacks counts as differing).
QVector<int> changedColumns(const ShownPoint& point, const ShownPoint& other) {
    QVector<int> changed;
    for (int c = 0; c < point.captions.size(); ++c) {
        const qsizetype o = other.captions.indexOf(point.captions.at(c));
        if (o < 0 || other.cells.at(o) != point.cells.at(c))
            changed << c;
    }
    return changed;
}

QVector<int> allColumns(const ShownPoint& point) {
    QVector<int> columns(point.captions.size());
    std::iota(columns.begin(), columns.end(), 0);
    return columns;
}

const QString kNotShown = QStringLiteral("not shown");

}  // namespace

QVector<ShownPoint> shownPoints(const so::StatusReader& reader, const IdentityColumns& identity) {
    QVector<ShownPoint> points;
    for (const so::StatusReader::SectionInfo& section : reader.sections()) {
        if (!section.used)
            continue;
        const qsizetype address = section.columns.indexOf(identity.address);
        qsizetype name = -1;
        for (qsizetype c = 0; c < section.columns.size() && name < 0; ++c)
            if (c != address && section.columns.at(c) != identity.lastUpdated)
                name = c;
        const so::StatusReader::Filter every;
        const int total = reader.counts(section.section, every).rows;
        for (const so::StatusReader::Row& row : reader.rows(section.section, every, 0, total).rows) {
            ShownPoint point;
            point.section = section.title;
            point.name = row.cells.value(name);
            point.address = row.cells.value(address);
            for (qsizetype c = 0; c < section.columns.size(); ++c) {
                if (c == name || c == address || section.columns.at(c) == identity.lastUpdated)
                    continue;
                point.captions << section.columns.at(c);
                point.cells << row.cells.value(c);
            }
            points << point;
        }
    }
    return points;
}

QVector<PointDifference> comparePoints(const QVector<ShownPoint>& before, const QVector<ShownPoint>& after) {
    QHash<QString, qsizetype> earlier;
    for (qsizetype i = 0; i < before.size(); ++i)
        earlier.insert(pointKey(before.at(i)), i);
    QVector<PointDifference> out;
    for (const ShownPoint& point : after) {
        const auto found = earlier.constFind(pointKey(point));
        if (found == earlier.cend()) {
            out << PointDifference{point.section, point.name, point.address, kNotShown,
                                   stateWords(point, allColumns(point))};
            continue;
        }
        const ShownPoint& then = before.at(*found);
        earlier.erase(found);
        const QVector<int> changed = changedColumns(point, then);
        if (changed.isEmpty() && changedColumns(then, point).isEmpty())
            continue;
        QVector<int> thenColumns;
        for (int c : changed)
            if (const qsizetype o = then.captions.indexOf(point.captions.at(c)); o >= 0)
                thenColumns << int(o);
        for (int c : changedColumns(then, point))
            if (!point.captions.contains(then.captions.at(c)))
                thenColumns << c;
        out << PointDifference{point.section, point.name, point.address, stateWords(then, thenColumns),
                               stateWords(point, changed)};
    }
    for (const ShownPoint& then : before)
        if (earlier.contains(pointKey(then)))
            out << PointDifference{then.section, then.name, then.address, stateWords(then, allColumns(then)),
                                   kNotShown};
    return out;
}

QString csvField(const QString& text) {
    QString field = text;
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!field.isEmpty() && formulaStarts.contains(field.front()))
        field.prepend(QLatin1Char('\''));
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')) &&
        !field.contains(QLatin1Char('\r')))
        return field;
    field.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QString differencesCsv(const QVector<PointDifference>& differences, const QString& beforeLabel,
                       const QString& afterLabel) {
    const auto line = [](const QStringList& fields) {
        QStringList quoted;
        for (const QString& field : fields)
            quoted << csvField(field);
        return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    QString out =
        line({QStringLiteral("Section"), QStringLiteral("Name"), QStringLiteral("Address"), beforeLabel, afterLabel});
    for (const PointDifference& d : differences)
        out += line({d.section, d.name, d.address, d.before, d.after});
    return out;
}

}  // namespace sv
