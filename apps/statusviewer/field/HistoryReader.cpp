#include "field/HistoryReader.h"

#include "field/HistoryFormat.h"

#include "site/SiteStatusText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <map>
#include <numeric>

namespace sv::history {
namespace {

const QString kSuffix = QStringLiteral(".soh");

QString when(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString(Qt::ISODateWithMs); }

/// The run's dictionaries and every point's state, as of the last record applied.
struct Replay {
    QStringList deviceTypes;
    QStringList addresses;
    QVector<PointKey> keys;
    QVector<PointState> states;
    /// Told of each change about to be applied: its time and the point's index (a walk's stops).
    std::function<void(qint64 time, qsizetype point)> beforeChange;

    bool loadSnapshot(const QByteArray& payload) {
        Decoder in(payload);
        deviceTypes.clear();
        addresses.clear();
        keys.clear();
        states.clear();
        for (quint64 n = in.varint(); n > 0 && !in.failed(); --n)
            deviceTypes.append(in.text());
        for (quint64 n = in.varint(); n > 0 && !in.failed(); --n)
            addresses.append(in.text());
        for (quint64 n = in.varint(); n > 0 && !in.failed(); --n) {
            keys.append(in.point());
            states.append(in.state());
        }
        return !in.failed() && in.atEnd();
    }

    enum class Outcome { Read, Passed, Failed };
    /// Applies a delta block's records up to until; reports go to onReport (may be null).
    Outcome applyDeltas(const QByteArray& payload, qint64 time, qint64 until,
                        const std::function<void(PastReport&&)>& onReport) {
        Decoder in(payload);
        while (!in.atEnd()) {
            const quint64 tag = in.varint();
            const quint64 argument = tag >> 3;
            switch (RecordKind(tag & 7)) {
            case RecordKind::Change: {
                time += in.signedVarint();
                PointState state = in.state();
                if (in.failed() || argument >= quint64(states.size()))
                    return Outcome::Failed;
                if (time > until)
                    return Outcome::Passed;
                if (beforeChange)
                    beforeChange(time, qsizetype(argument));
                states[qsizetype(argument)] = std::move(state);
                break;
            }
            case RecordKind::Report: {
                time += in.signedVarint();
                const quint64 type = in.varint();
                const int state = int(in.varint());
                QString value = in.text();
                if (in.failed() || argument >= quint64(addresses.size()) || type >= quint64(deviceTypes.size()))
                    return Outcome::Failed;
                if (time > until)
                    return Outcome::Passed;
                if (onReport)
                    onReport(
                        {time, deviceTypes[qsizetype(type)], addresses[qsizetype(argument)], state, std::move(value)});
                break;
            }
            case RecordKind::DefinePoint:
                keys.append(in.point());
                states.append(PointState{});
                break;
            case RecordKind::DefineAddress: addresses.append(in.text()); break;
            case RecordKind::DefineDeviceType: deviceTypes.append(in.text()); break;
            default: return Outcome::Failed;
            }
            if (in.failed())
                return Outcome::Failed;
        }
        return Outcome::Read;
    }

    /// The states as the rows the field writes back, ordered by row.
    PastBoard board() const {
        QVector<qsizetype> all(keys.size());
        std::iota(all.begin(), all.end(), 0);
        return rows(all);
    }

    /// The rows of the points given, ordered by row; a status row's entries must all be given.
    PastBoard rows(const QVector<qsizetype>& points) const {
        PastBoard out;
        std::map<std::pair<qint32, int>, QVector<so::db::StatusEntry>> entries;
        for (const qsizetype i : points) {
            const PointKey& key = keys[i];
            const PointState& state = states[i];
            switch (key.kind) {
            case PointKey::StatusEntry: {
                QVector<so::db::StatusEntry>& row = entries[{key.id, key.type}];
                if (row.size() <= key.index)
                    row.resize(key.index + 1);
                row[key.index] = {state.codes, state.text, quint32(state.number)};
                break;
            }
            case PointKey::StatusValues:
                out.statusRows.append({key.id, key.type,
                                       key.type == so::db::StatusThreatLevels ? so::db::joinThreatLevels(state.codes)
                                                                              : so::db::joinCodes(state.codes)});
                break;
            case PointKey::Device: out.deviceRows.append({DeviceColumn(key.type), key.id, state.number}); break;
            }
        }
        for (const auto& [row, list] : entries) {
            try {
                out.statusRows.append({row.first, row.second, so::db::joinStatusEntries(list)});
            } catch (const so::db::DbError&) {
                out.note = QStringLiteral("a status row held a value that cannot be stored; it is left as it is now");
            }
        }
        std::sort(out.statusRows.begin(), out.statusRows.end(), [](const auto& a, const auto& b) {
            return std::pair(a.controllerId, a.statusType) < std::pair(b.controllerId, b.statusType);
        });
        std::sort(out.deviceRows.begin(), out.deviceRows.end(), [](const auto& a, const auto& b) {
            return std::pair(int(a.column), a.id) < std::pair(int(b.column), b.id);
        });
        return out;
    }
};

struct ReadSegment {
    QByteArray bytes;
    FileIndex index;
    bool opened = false;
};

ReadSegment readSegment(const QString& path) {
    ReadSegment segment;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return segment;
    segment.bytes = file.readAll();
    segment.opened = true;
    segment.index = indexBlocks(segment.bytes);
    return segment;
}

/// The position in index.blocks of the newest readable snapshot at or before moment (loaded into
/// replay), or -1.
int loadSnapshotBefore(const ReadSegment& segment, qint64 moment, Replay& replay, bool& skippedDamage) {
    const QVector<BlockIndexEntry>& blocks = segment.index.blocks;
    for (int i = int(blocks.size()) - 1; i >= 0; --i) {
        if (blocks[i].kind != BlockKind::Snapshot || blocks[i].firstTime > moment)
            continue;
        const std::optional<QByteArray> payload = blockPayload(segment.bytes, blocks[i]);
        if (payload && replay.loadSnapshot(*payload))
            return i;
        skippedDamage = true;
    }
    return -1;
}

bool damagedBetween(const FileIndex& index, qsizetype from, qsizetype to) {
    return std::any_of(index.damagedAt.cbegin(), index.damagedAt.cend(),
                       [&](qsizetype at) { return at > from && at < to; });
}

/// Follows a replay from one stop to the next: the rows the changes since the last stop touched,
/// and of those the ones whose value differs from what the stop before showed.
struct BoardWalk {
    Replay replay;
    QSet<qsizetype> touched;

    /// After a snapshot: every point is new to the walk.
    void restart() {
        entryPoints_.clear();
        indexed_ = 0;
        for (qsizetype i = 0; i < replay.keys.size(); ++i)
            touched.insert(i);
    }

    /// The rows that differ from the last stop (all of them at the first).
    PastBoard takeChanges(qint64 moment) {
        indexPoints();
        QVector<qsizetype> points;
        QSet<std::pair<qint32, int>> statusRows;
        for (const qsizetype i : std::as_const(touched)) {
            const PointKey& key = replay.keys[i];
            if (key.kind != PointKey::StatusEntry)
                points.append(i);
            else if (const std::pair row(key.id, key.type); !statusRows.contains(row)) {
                statusRows.insert(row);
                points += entryPoints_.value(row);  // a status row is written whole
            }
        }
        touched.clear();
        const PastBoard now = replay.rows(points);
        PastBoard changed;
        changed.moment = moment;
        changed.fidelity = now.note.isEmpty() ? Fidelity::Exact : Fidelity::Approximate;
        changed.note = now.note;
        for (const StatusRowValue& row : now.statusRows) {
            const auto shown = statusShown_.find({row.controllerId, row.statusType});
            if (shown != statusShown_.end() && *shown == row.text)
                continue;
            statusShown_.insert({row.controllerId, row.statusType}, row.text);
            changed.statusRows.append(row);
        }
        for (const DeviceRowValue& row : now.deviceRows) {
            const auto shown = deviceShown_.find({int(row.column), row.id});
            if (shown != deviceShown_.end() && *shown == row.value)
                continue;
            deviceShown_.insert({int(row.column), row.id}, row.value);
            changed.deviceRows.append(row);
        }
        return changed;
    }

private:
    void indexPoints() {
        for (; indexed_ < replay.keys.size(); ++indexed_) {
            const PointKey& key = replay.keys[indexed_];
            if (key.kind == PointKey::StatusEntry)
                entryPoints_[{key.id, key.type}].append(indexed_);
        }
    }

    QHash<std::pair<qint32, int>, QVector<qsizetype>> entryPoints_;
    qsizetype indexed_ = 0;
    QHash<std::pair<qint32, int>, QString> statusShown_;
    QHash<std::pair<int, qint32>, qint64> deviceShown_;
};

}  // namespace

HistoryReader::HistoryReader(const QString& folder, std::function<void(const QString&)> tell)
    : folder_(folder), tell_(std::move(tell)) {}

QString HistoryReader::segmentName(qint64 start) {
    return QStringLiteral("%1").arg(start, 15, 10, QLatin1Char('0')) + kSuffix;
}

QVector<Segment> HistoryReader::segments(const QString& folder) {
    QVector<Segment> out;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files);
    for (const QFileInfo& file : files) {
        bool ok = false;
        const qint64 start = file.completeBaseName().toLongLong(&ok);
        if (ok)
            out.append({file.absoluteFilePath(), start});
    }
    std::sort(out.begin(), out.end(), [](const Segment& a, const Segment& b) { return a.start < b.start; });
    return out;
}

void HistoryReader::tellDamage(const QString& path, const QString& what) {
    if (told_.contains(path))
        return;
    told_.insert(path);
    if (tell_)
        tell_(QStringLiteral("report history file %1 %2; what cannot be read is skipped").arg(path, what));
}

PastBoard HistoryReader::boardAt(qint64 moment, qint64 now) {
    PastBoard board;
    board.moment = moment;
    const QVector<Segment> all = segments(folder_);
    if (all.isEmpty()) {
        board.note = QStringLiteral("no history is kept");
        return board;
    }
    if (moment > now) {
        board.note = QStringLiteral("%1 is later than the field's time").arg(when(moment));
        return board;
    }
    auto it =
        std::upper_bound(all.cbegin(), all.cend(), moment, [](qint64 m, const Segment& s) { return m < s.start; });
    if (it == all.cbegin()) {
        board.note = QStringLiteral("the history kept begins at %1").arg(when(all.front().start));
        return board;
    }
    const Segment& segment = *(it - 1);
    const ReadSegment read = readSegment(segment.path);
    if (!read.opened) {
        board.note = QStringLiteral("the history around %1 cannot be read").arg(when(moment));
        return board;
    }
    if (!read.index.damagedAt.isEmpty())
        tellDamage(segment.path, QStringLiteral("holds %1 damaged blocks").arg(read.index.damagedAt.size()));

    Replay replay;
    bool approximate = false;
    const int first = loadSnapshotBefore(read, moment, replay, approximate);
    if (first < 0) {
        board.note = QStringLiteral("the history around %1 cannot be read").arg(when(moment));
        return board;
    }
    // Each change carries the point's whole state, so a damaged snapshot costs nothing when an
    // older one and every change since can be read.
    approximate = false;
    const QVector<BlockIndexEntry>& blocks = read.index.blocks;
    qsizetype end = read.bytes.size();
    for (int i = first + 1; i < blocks.size(); ++i) {
        if (blocks[i].firstTime > moment) {
            end = blocks[i].offset;
            break;
        }
        if (blocks[i].kind != BlockKind::Deltas)
            continue;
        const std::optional<QByteArray> payload = blockPayload(read.bytes, blocks[i]);
        const auto outcome =
            payload ? replay.applyDeltas(*payload, blocks[i].firstTime, moment, {}) : Replay::Outcome::Failed;
        if (outcome == Replay::Outcome::Failed) {
            approximate = true;
            tellDamage(segment.path, QStringLiteral("holds a block that does not decode"));
        }
        if (outcome == Replay::Outcome::Passed) {
            end = blocks[i].offset;
            break;
        }
    }
    approximate = approximate || damagedBetween(read.index, blocks[first].offset, end);
    // A segment cut short that is no longer appended to (a newer one began) lost its last records:
    // a moment after its last whole block may miss them.
    const bool cutShort = read.index.truncatedTail && it != all.cend() && moment > blocks.back().lastTime;
    approximate = approximate || cutShort;
    board = replay.board();
    board.moment = moment;
    board.fidelity = approximate || !board.note.isEmpty() ? Fidelity::Approximate : Fidelity::Exact;
    if (approximate)
        board.note = QStringLiteral("part of the history before %1 cannot be read: some points may show an older state")
                         .arg(when(moment));
    return board;
}

QVector<PastReport> HistoryReader::reports(qint64 from, qint64 to, int limit) {
    QVector<PastReport> out;
    const QVector<Segment> all = segments(folder_);
    for (qsizetype s = 0; s < all.size() && out.size() < limit; ++s) {
        const bool before = s + 1 < all.size() && all[s + 1].start <= from;
        if (before || all[s].start > to)
            continue;
        const ReadSegment read = readSegment(all[s].path);
        if (!read.index.damagedAt.isEmpty())
            tellDamage(all[s].path, QStringLiteral("holds %1 damaged blocks").arg(read.index.damagedAt.size()));
        Replay replay;
        bool skipped = false;
        // A window that begins before the segment reads it from its first snapshot.
        const int first = loadSnapshotBefore(read, std::max(from, all[s].start), replay, skipped);
        if (first < 0)
            continue;
        const QVector<BlockIndexEntry>& blocks = read.index.blocks;
        bool passed = false;
        for (int i = first + 1; i < blocks.size() && !passed && out.size() < limit; ++i) {
            if (blocks[i].kind != BlockKind::Deltas)
                continue;
            const std::optional<QByteArray> payload = blockPayload(read.bytes, blocks[i]);
            if (!payload)
                continue;
            const auto outcome = replay.applyDeltas(*payload, blocks[i].firstTime, to, [&](PastReport&& report) {
                if (report.time >= from && out.size() < limit)
                    out.append(std::move(report));
            });
            passed = outcome == Replay::Outcome::Passed;
        }
    }
    return out;
}

QVector<PastBoard> HistoryReader::boardsAt(const QVector<qint64>& times, qint64 now) {
    QVector<PastBoard> out;
    if (times.isEmpty())
        return out;
    out.append(boardAt(times.first(), now));
    const qint64 last = std::min(times.last(), now);
    if (out.first().fidelity == Fidelity::Unavailable || times.size() == 1)
        return out;
    const QVector<Segment> all = segments(folder_);
    auto segment = std::upper_bound(all.cbegin(), all.cend(), times.first(),
                                    [](qint64 m, const Segment& s) { return m < s.start; });
    if (segment == all.cbegin())
        return out;
    --segment;

    BoardWalk walk;
    qsizetype next = 0;  // the next stop
    bool damaged = out.first().fidelity == Fidelity::Approximate;
    const auto stop = [&] {
        PastBoard changed = walk.takeChanges(times[next]);
        if (damaged) {
            changed.fidelity = Fidelity::Approximate;
            if (changed.note.isEmpty())
                changed.note = out.first().note.isEmpty()
                                   ? QStringLiteral(
                                         "part of the history cannot be read: some points may show an "
                                         "older state")
                                   : out.first().note;
        }
        if (next > 0)  // the first stop's board is boardAt's; the walk only starts from it
            out.append(std::move(changed));
        ++next;
    };
    // A stop shows every change up to its time: it is taken before the first change after it.
    walk.replay.beforeChange = [&](qint64 time, qsizetype point) {
        while (next < times.size() && times[next] < time)
            stop();
        walk.touched.insert(point);
    };
    for (; segment != all.cend() && next < times.size() && segment->start <= last; ++segment) {
        const ReadSegment read = readSegment(segment->path);
        bool skipped = false;
        const int first =
            read.opened ? loadSnapshotBefore(read, std::max(times[next], segment->start), walk.replay, skipped) : -1;
        if (first < 0)
            break;  // the stops after this cannot be told
        damaged = damaged || skipped || !read.index.damagedAt.isEmpty();
        walk.restart();
        const QVector<BlockIndexEntry>& blocks = read.index.blocks;
        for (int i = first + 1; i < blocks.size() && blocks[i].firstTime <= last; ++i) {
            if (blocks[i].kind != BlockKind::Deltas)
                continue;
            const std::optional<QByteArray> payload = blockPayload(read.bytes, blocks[i]);
            const auto outcome =
                payload ? walk.replay.applyDeltas(*payload, blocks[i].firstTime, last, {}) : Replay::Outcome::Failed;
            damaged = damaged || outcome == Replay::Outcome::Failed;
            if (outcome == Replay::Outcome::Passed)
                break;
        }
        // The stops before the next segment's start show what this one ended with.
        const qint64 end = segment + 1 != all.cend() ? (segment + 1)->start : last + 1;
        while (next < times.size() && times[next] < end)
            stop();
    }
    return out;
}

HistorySpan HistoryReader::span() {
    const QVector<Segment> all = segments(folder_);
    if (all.isEmpty())
        return {};
    const ReadSegment newest = readSegment(all.back().path);
    qint64 last = all.back().start;
    for (const BlockIndexEntry& block : newest.index.blocks)
        last = std::max(last, block.lastTime);
    return {all.front().start, last};
}

}  // namespace sv::history
