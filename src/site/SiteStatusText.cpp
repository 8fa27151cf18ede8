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

QVector<StatusEntry> splitStatusEntries(const QString& text) {
    QVector<StatusEntry> entries;
    const QStringList parts = text.split(QLatin1Char('#'));
    // The text after the last "#" is not an entry.
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QStringList fields = parts[i].split(QLatin1Char('|'));
        StatusEntry entry;
        for (const QString& code : fields.value(0).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int value = code.trimmed().toInt(&ok);
            if (ok)
                entry.codes.append(value);
        }
        entry.value = fields.value(1);
        entry.maskSource = fields.value(2).trimmed().toUInt();
        entries.append(entry);
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
    QVector<int> levels;
    for (const QString& part : text.split(QLatin1Char('|')))
        levels.append(part.trimmed().toInt());
    return levels;
}

QVector<int> splitCodes(const QString& text) {
    QVector<int> codes;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        codes.append(part.trimmed().toInt());
    return codes;
}

}  // namespace so::db
