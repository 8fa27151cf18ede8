#include "domain/SuperStatusText.h"

#include <algorithm>

namespace so {
namespace {

/// Calls part(view) for each part of text between separators, empty parts included, until one
/// returns false; true when none did. Reads in place: a stored text is read for every point of a
/// site when a group loads.
template <typename Part>
bool forEachPart(QStringView text, QChar separator, Part&& part) {
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(separator, start);
        if (!part(end < 0 ? text.sliced(start) : text.sliced(start, end - start)))
            return false;
        if (end < 0)
            return true;
        start = end + 1;
    }
}

/// Appends the codes of a "," list to codes; false (codes unchanged) when one is not 0-255.
bool readCodes(QStringView text, StateCodes& codes) {
    if (text.trimmed().isEmpty())
        return true;
    const qsizetype before = codes.size();
    const bool read = forEachPart(text, QLatin1Char(','), [&](QStringView piece) {
        bool ok = false;
        const int code = piece.trimmed().toInt(&ok);
        if (!ok || code < 0 || code > 255)
            return false;
        codes.append(quint8(code));
        return true;
    });
    if (!read)
        codes.resize(before);
    return read;
}

}  // namespace

ParsedPointStatus parsePointStatus(QStringView text, int maxEntries) {
    ParsedPointStatus parsed;
    // Every entry ends with "#"; the text after the last one is not an entry.
    const int count = int(text.count(QLatin1Char('#')));
    parsed.points.reserve(std::clamp(count, 0, std::max(maxEntries, 0)));
    qsizetype start = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype end = text.indexOf(QLatin1Char('#'), start);
        const QStringView entry = text.sliced(start, end - start);
        start = end + 1;
        if (i >= maxEntries) {
            parsed.problems << QStringLiteral("%1 entries where at most %2 points exist").arg(count).arg(maxEntries);
            break;
        }
        // Three fields: codes|value|maskSource.
        const qsizetype firstBar = entry.indexOf(QLatin1Char('|'));
        const qsizetype secondBar = firstBar < 0 ? -1 : entry.indexOf(QLatin1Char('|'), firstBar + 1);
        const bool threeFields = secondBar >= 0 && entry.indexOf(QLatin1Char('|'), secondBar + 1) < 0;
        PointStatus point;
        point.index = i;
        bool maskOk = false;
        if (threeFields)
            point.maskSource = entry.sliced(secondBar + 1).trimmed().toInt(&maskOk);
        if (!threeFields || !maskOk || point.maskSource < 0 || !readCodes(entry.first(firstBar), point.codes)) {
            parsed.problems << QStringLiteral("entry %1 skipped: \"%2\"").arg(i + 1).arg(entry);
            continue;
        }
        point.value = entry.sliced(firstBar + 1, secondBar - firstBar - 1).toString();
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
