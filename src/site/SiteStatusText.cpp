#include "site/SiteStatusText.h"

#include "domain/SuperStatusText.h"

#include <statusobject/Db.h>

#include <QStringList>

namespace so::db {

const QVector<int>& controllerStatusTypes() {
    static const QVector<int> types(std::begin(kControllerStatusTypes), std::end(kControllerStatusTypes));
    return types;
}

QString joinCodes(const QVector<int>& codes) {
    QString text;
    for (int i = 0; i < codes.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += QString::number(codes[i]);
    }
    return text;
}

QString joinStatusEntries(const QVector<StatusEntry>& entries) {
    QString text;
    text.reserve(entries.size() * 12);
    for (const StatusEntry& entry : entries) {
        if (entry.value.contains(QLatin1Char('|')) || entry.value.contains(QLatin1Char('#')) ||
            entry.value.contains(QLatin1Char(',')))
            throw DbError(QStringLiteral("A status entry value may not hold '|', '#' or ',': %1").arg(entry.value));
        text += joinCodes(entry.codes);
        text += QLatin1Char('|');
        text += entry.value;
        text += QLatin1Char('|');
        text += QString::number(entry.maskSource);
        text += QLatin1Char('#');
    }
    return text;
}

// The texts are read by the component's own reader (domain/SuperStatusText), so what the site
// writes and reads back is what the window reads.

QVector<StatusEntry> splitStatusEntries(const QString& text) {
    QVector<StatusEntry> entries(text.count(QLatin1Char('#')));
    for (const PointStatus& point : parsePointStatus(text, int(entries.size())).points) {
        StatusEntry& entry = entries[point.index];
        for (quint8 code : point.codes)
            entry.codes.append(code);
        entry.value = point.value;
        entry.maskSource = quint32(point.maskSource);
    }
    return entries;
}

QString joinThreatLevels(const QVector<int>& threatIds) {
    QStringList parts;
    parts.reserve(threatIds.size());
    for (int id : threatIds)
        parts.append(QString::number(id));
    return parts.join(QLatin1Char('|'));
}

QVector<int> splitThreatLevels(const QString& text) {
    QStringList problems;
    QVector<int> levels;
    for (const std::optional<qint32>& level : parseThreatLevels(text, problems))
        levels.append(level.value_or(0));
    return levels;
}

QVector<int> splitCodes(const QString& text) {
    QStringList problems;
    QVector<int> codes;
    for (quint8 code : parseStateCodes(text, problems))
        codes.append(code);
    return codes;
}

}  // namespace so::db
