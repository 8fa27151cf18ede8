#include "domain/SuperStatusText.h"

namespace so {
namespace {

/// Appends the codes of a "," list to codes; false (codes unchanged) when one is not 0-255.
bool readCodes(QStringView text, StateCodes& codes) {
    if (text.trimmed().isEmpty())
        return true;
    StateCodes read;
    for (QStringView piece : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int code = piece.trimmed().toInt(&ok);
        if (!ok || code < 0 || code > 255)
            return false;
        read.append(quint8(code));
    }
    codes.append(read.constData(), read.size());
    return true;
}

}  // namespace

ParsedPointStatus parsePointStatus(QStringView text, int maxEntries) {
    ParsedPointStatus parsed;
    const QList<QStringView> entries = text.split(QLatin1Char('#'));
    // The text after the last "#" is not an entry.
    const int count = int(entries.size()) - 1;
    for (int i = 0; i < count; ++i) {
        const QStringView entry = entries[i];
        if (i >= maxEntries) {
            parsed.problems << QStringLiteral("%1 entries where at most %2 points exist").arg(count).arg(maxEntries);
            break;
        }
        const QList<QStringView> fields = entry.split(QLatin1Char('|'));
        PointStatus point;
        point.index = i;
        bool maskOk = false;
        if (fields.size() == 3)
            point.maskSource = fields[2].trimmed().toInt(&maskOk);
        if (fields.size() != 3 || !maskOk || point.maskSource < 0 || !readCodes(fields[0], point.codes)) {
            parsed.problems << QStringLiteral("entry %1 skipped: \"%2\"").arg(i + 1).arg(entry);
            continue;
        }
        point.value = fields[1].toString();
        parsed.points.append(std::move(point));
    }
    return parsed;
}

StateCodes parseStateCodes(QStringView text, QStringList& problems) {
    StateCodes codes;
    if (text.trimmed().isEmpty())
        return codes;
    for (QStringView piece : text.split(QLatin1Char(','))) {
        if (!readCodes(piece, codes) || piece.trimmed().isEmpty())
            problems << QStringLiteral("state code skipped: \"%1\"").arg(piece);
    }
    return codes;
}

QVector<std::optional<qint32>> parseThreatLevels(QStringView text, QStringList& problems) {
    constexpr int kReaders = 16;
    QVector<std::optional<qint32>> levels;
    const QList<QStringView> values = text.split(QLatin1Char('|'));
    if (values.size() != kReaders)
        problems << QStringLiteral("%1 threat levels where %2 readers exist").arg(values.size()).arg(kReaders);
    for (int i = 0; i < values.size() && i < kReaders; ++i) {
        bool ok = false;
        const qint32 level = values[i].trimmed().toInt(&ok);
        if (ok) {
            levels.append(level);
        } else {
            levels.append(std::nullopt);
            problems << QStringLiteral("threat level of reader %1 skipped: \"%2\"").arg(i + 1).arg(values[i]);
        }
    }
    return levels;
}

std::optional<StatusPointRange> statusPointRange(int statusType) {
    switch (statusType) {
    case StatusRelays: return StatusPointRange{1, 8};
    case StatusExpRelays: return StatusPointRange{1, 64};
    case StatusReaders: return StatusPointRange{1, 16};
    case StatusInputs:
    case StatusInputVoltages: return StatusPointRange{1, 8};
    case StatusExpInputs1to8: return StatusPointRange{1, 8};
    case StatusExpInputs9to16: return StatusPointRange{9, 16};
    case StatusExpInputs17to24: return StatusPointRange{17, 24};
    case StatusExpInputs25to32: return StatusPointRange{25, 32};
    case StatusExpVoltages1to16: return StatusPointRange{1, 16};
    case StatusExpVoltages17to32: return StatusPointRange{17, 32};
    default: return std::nullopt;
    }
}

}  // namespace so
