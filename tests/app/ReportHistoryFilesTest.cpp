// The report history's files on their own, time driven by the test: what is kept for how long,
// and what a damaged file costs (told once, skipped, said in the answer; the field goes on).
#include "field/HistoryFormat.h"
#include "field/ReportHistory.h"
#include "host/AppLog.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

#include <functional>

namespace history_files {

using sv::history::Fidelity;

constexpr qint64 kHour = 3600 * 1000;
constexpr qint64 kDay = 24 * kHour;
// 2026-11-01 00:00 UTC: whole hours, so segment starts fall on the hour.
constexpr qint64 kStart = 1793491200000;

/// A history of a one-input field whose time the test sets.
struct History {
    QTemporaryDir dir;
    sv::AppLog log;
    qint64 now = kStart;
    qint64 steady = 0;
    std::unique_ptr<sv::ReportHistory> history;

    explicit History(int keepDays = 30, qint64 maxBytes = qint64(1) << 40) {
        log.setEcho(false);
        sv::HistoryOptions options;
        options.folder = dir.filePath(QStringLiteral("site.db.history"));
        options.keepDays = keepDays;
        options.maxBytes = maxBytes;
        options.clock = [this] { return now; };
        options.steadyClock = [this] { return steady; };
        history = std::make_unique<sv::ReportHistory>(options, &log);
        history->beginSeed();
        history->entryChanged(7, 1, 0, {{0}, {}, 0});
        history->endSeed();
    }
    /// The input's line state set to line and reported at the current time.
    void report(int line) {
        history->entryChanged(7, 1, 0, {{line}, {}, 0});
        history->reported(QStringLiteral("Input"), QStringLiteral("C1.IN01"), line, {});
    }
    /// The input's line state in the board at moment, or -1 when the board has no such row.
    int lineAt(qint64 moment, Fidelity* fidelity = nullptr) {
        const sv::history::PastBoard board = history->boardAt(moment);
        if (fidelity != nullptr)
            *fidelity = board.fidelity;
        for (const auto& row : board.statusRows)
            if (row.controllerId == 7 && row.statusType == 1)
                return row.text.section(QLatin1Char('|'), 0, 0).toInt();
        return -1;
    }
    QStringList files() const {
        return QDir(history->options().folder).entryList({QStringLiteral("*.soh")}, QDir::Files, QDir::Name);
    }
    int errorsLogged() const { return int(log.lines().filter(QStringLiteral("report history")).size()); }
};

TEST(ReportHistoryFiles, ABoardIsRebuiltAtEveryMomentAcrossSnapshotsAndSegments) {
    History h;
    // A report every 10 minutes for three hours: segments each hour, snapshots each quarter.
    for (int i = 1; i <= 18; ++i) {
        h.now = kStart + i * 10 * 60 * 1000;
        h.report(i % 8);
    }
    const struct {
        qint64 moment;
        int line;
    } cases[] = {
        {kStart, 0},
        {kStart + 10 * 60 * 1000 - 1, 0},
        {kStart + 10 * 60 * 1000, 1},
        {kStart + 59 * 60 * 1000, 5},
        {kStart + kHour, 6},
        {kStart + 2 * kHour + 35 * 60 * 1000, 7},
        {kStart + 3 * kHour, 2},
    };
    for (const auto& c : cases) {
        Fidelity fidelity = Fidelity::Unavailable;
        EXPECT_EQ(h.lineAt(c.moment, &fidelity), c.line) << (c.moment - kStart) / 60000 << " min";
        EXPECT_EQ(fidelity, Fidelity::Exact);
    }
    EXPECT_EQ(h.files().size(), 4);
    EXPECT_EQ(h.lineAt(kStart - 1), -1) << "before the history began";
    EXPECT_EQ(h.lineAt(h.now + 1), -1) << "after the field's time";

    const QVector<sv::history::PastReport> reports = h.history->reports(kStart + kHour, kStart + 2 * kHour);
    ASSERT_EQ(reports.size(), 7);
    EXPECT_EQ(reports.front(),
              (sv::history::PastReport{kStart + kHour, QStringLiteral("Input"), QStringLiteral("C1.IN01"), 6, {}}));
    EXPECT_EQ(reports.back().time, kStart + 2 * kHour);
    EXPECT_EQ(h.history->reports(kStart, h.now, 3).size(), 3) << "the limit";
    const sv::history::HistorySpan span = h.history->span();
    EXPECT_EQ(span.first, kStart);
    EXPECT_EQ(span.last, kStart + 3 * kHour);
}

TEST(ReportHistoryFiles, TheWallClockSetForwardOrBackNeitherHurriesNorHoldsAHandOver) {
    History h;
    const struct {
        qint64 wallStep;
        qint64 steadyMs;  // since the first event queued
        bool handedOver;
    } cases[] = {
        {0, 999, false},        {0, 1000, true},
        {2 * kHour, 10, false},  // set forward: the events wait their second all the same
        {-kDay, 10, false},      // set back: not held beyond it
        {-kDay, 1000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wallStep);
        h.now = kStart + kHour;
        h.report(1);
        h.now += c.wallStep;
        h.report(2);
        const qint64 first = h.steady;
        h.steady = first + c.steadyMs;
        h.history->tick();
        EXPECT_EQ(h.history->queuedEvents() == 0, c.handedOver);
        ASSERT_TRUE(h.history->sync());
        EXPECT_EQ(h.history->queuedEvents(), 0);
    }
}

TEST(ReportHistoryFiles, TextsComeBackAsTheFieldSentThem) {
    // ASCII texts are copied as they are; any other character takes the converting path, and a
    // state's text with it must not shift the records that follow.
    History h;
    h.now = kStart + 1000;
    h.history->entryChanged(7, 1, 0, {{3}, QStringLiteral("Tür offen \u2713"), 0});
    h.history->reported(QStringLiteral("Input"), QStringLiteral("C1.IN01"), 3, QStringLiteral("Grüße \u2713"));
    h.history->reported(QStringLiteral("Eingang \u00e4"), QStringLiteral("C1.IN02"), 2, QStringLiteral("plain"));
    h.history->reported(QStringLiteral("Input"), QStringLiteral("C1.IN01"), 1, {});

    const QVector<sv::history::PastReport> reports = h.history->reports(kStart, h.now);
    const QVector<sv::history::PastReport> expected = {
        {kStart + 1000, QStringLiteral("Input"), QStringLiteral("C1.IN01"), 3, QStringLiteral("Grüße \u2713")},
        {kStart + 1000, QStringLiteral("Eingang \u00e4"), QStringLiteral("C1.IN02"), 2, QStringLiteral("plain")},
        {kStart + 1000, QStringLiteral("Input"), QStringLiteral("C1.IN01"), 1, {}},
    };
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(h.lineAt(h.now), 3);

    // Many addresses, each reported again after the others: every one keeps its own text.
    h.now = kStart + 2000;
    QVector<sv::history::PastReport> sent;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 300; ++i) {
            const QString address = QStringLiteral("C%1.IN%2").arg(i / 16).arg(i % 16, 2, 10, QLatin1Char('0'));
            h.history->reported(QStringLiteral("Input"), address, round, {});
            sent.append({h.now, QStringLiteral("Input"), address, round, {}});
        }
    EXPECT_EQ(h.history->reports(h.now, h.now, 1000), sent);
}

TEST(ReportHistoryFiles, BlocksPackedWithZlibOrLz4RebuildTheSameBoard) {
    using sv::history::BlockKind;
    using sv::history::Packing;
    History h;
    for (int i = 1; i <= 40; ++i) {
        h.now = kStart + i * 60 * 1000;
        h.report(i % 8);
        h.history->sync();
    }
    const QString written = QDir(h.history->options().folder).filePath(h.files().front());
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const sv::history::FileIndex index = sv::history::indexBlocks(bytes);
    ASSERT_EQ(index.blocks.size(), 43);
    for (const auto& block : index.blocks)
        EXPECT_EQ(block.packing, block.kind == BlockKind::Snapshot ? Packing::Zlib : Packing::Lz4);

    // The same blocks packed all one way, as an older field wrote them (zlib) or all with LZ4.
    for (const Packing packing : {Packing::Zlib, Packing::Lz4}) {
        SCOPED_TRACE(int(packing));
        const QString folder = h.dir.filePath(QStringLiteral("repacked-%1").arg(int(packing)));
        QDir().mkpath(folder);
        QFile out(QDir(folder).filePath(QFileInfo(written).fileName()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (const auto& block : index.blocks) {
            const std::optional<QByteArray> payload = sv::history::blockPayload(bytes, block);
            ASSERT_TRUE(payload.has_value());
            out.write(sv::history::frameBlock({block.kind, block.firstTime, block.lastTime, *payload}, packing));
        }
        out.close();
        ASSERT_TRUE(out.open(QIODevice::ReadOnly));
        for (const auto& block : sv::history::indexBlocks(out.readAll()).blocks)
            EXPECT_EQ(block.packing, packing);

        sv::history::HistoryReader reader(folder, {});
        for (const qint64 moment : {kStart, kStart + 17 * 60 * 1000 + 1, h.now}) {
            const sv::history::PastBoard board = reader.boardAt(moment, h.now);
            const sv::history::PastBoard recorded = h.history->boardAt(moment);
            EXPECT_EQ(board.fidelity, Fidelity::Exact);
            EXPECT_EQ(board.statusRows, recorded.statusRows);
            EXPECT_EQ(board.deviceRows, recorded.deviceRows);
        }
        EXPECT_EQ(reader.boardAt(kStart + 17 * 60 * 1000 + 1, h.now).statusRows.front().text.section('|', 0, 0),
                  QStringLiteral("1"));
        EXPECT_EQ(reader.reports(kStart, h.now, 100), h.history->reports(kStart, h.now, 100));
    }
}

TEST(ReportHistoryFiles, AnLz4BlockThatClaimsTooMuchOrDoesNotInflateIsRefused) {
    using sv::history::Packing;
    const QByteArray payload = QByteArray("changes ").repeated(100);
    const QByteArray framed =
        sv::history::frameBlock({sv::history::BlockKind::Deltas, kStart, kStart, payload}, Packing::Lz4);
    const sv::history::FileIndex index = sv::history::indexBlocks(framed);
    ASSERT_EQ(index.blocks.size(), 1);
    EXPECT_EQ(sv::history::blockPayload(framed, index.blocks.front()), payload);

    // Forged blocks whose checksum holds: the reader must refuse them, not allocate or read on.
    const int packed = sv::history::kFrameBytes;
    const struct {
        const char* what;
        std::function<void(QByteArray&)> forge;
    } cases[] = {
        {"a size of 1 GiB", [](QByteArray& b) { qToLittleEndian(quint32(1) << 30, b.data() + packed); }},
        {"a size larger than the bytes", [](QByteArray& b) { qToLittleEndian(quint32(100000), b.data() + packed); }},
        {"garbage packed", [](QByteArray& b) { b.replace(packed + 4, 16, QByteArray(16, '\xff')); }},
        {"packed bytes cut short", [](QByteArray& b) { b.chop(10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray forged = framed;
        c.forge(forged);
        qToLittleEndian(quint32(forged.size() - packed), forged.data() + 4);
        qToLittleEndian(
            quint32(crc32(0, reinterpret_cast<const Bytef*>(forged.constData() + 12), uInt(forged.size() - 12))),
            forged.data() + 8);
        const sv::history::FileIndex forgedIndex = sv::history::indexBlocks(forged);
        ASSERT_EQ(forgedIndex.blocks.size(), 1);
        EXPECT_FALSE(sv::history::blockPayload(forged, forgedIndex.blocks.front()).has_value());
    }
}

TEST(ReportHistoryFiles, PruningKeepsExactlyTheSetDays) {
    History h(3);
    for (qint64 t = kStart + kHour; t <= kStart + 5 * kDay; t += kHour) {
        h.now = t;
        h.report(int(t / kHour % 8));
    }
    ASSERT_TRUE(h.history->sync());
    // The last report opened the segment of kStart + 5 days: the segments that ended by kStart + 2
    // days went, the one from kStart + 2 days holds the first moment kept.
    const QStringList files = h.files();
    EXPECT_EQ(files.front(), sv::history::HistoryReader::segmentName(kStart + 2 * kDay));
    EXPECT_EQ(files.size(), 3 * 24 + 1);
    EXPECT_EQ(h.lineAt(kStart + 2 * kDay), int((kStart + 2 * kDay) / kHour % 8));
    EXPECT_EQ(h.lineAt(kStart + 2 * kDay - 1), -1);
}

TEST(ReportHistoryFiles, TheOldestSegmentsGoBeyondTheDiskBound) {
    History h(30, 2000);
    for (int i = 1; i <= 40; ++i) {
        h.now = kStart + i * kHour;
        h.report(i % 8);
    }
    ASSERT_TRUE(h.history->sync());
    qint64 bytes = 0;
    for (const QString& file : h.files())
        bytes += QFileInfo(QDir(h.history->options().folder).filePath(file)).size();
    EXPECT_LE(bytes, 2000 + 200) << "the bound, and the segment being written";
    EXPECT_GT(h.files().size(), 2);
    EXPECT_EQ(h.files().back(), sv::history::HistoryReader::segmentName(kStart + 40 * kHour));
}

TEST(ReportHistoryFiles, ADamagedFileIsToldOnceSkippedAndSaidInTheAnswer) {
    enum class Damage { FlipInChanges, FlipInSnapshot, Truncate, GarbageAppended, GarbageInside };
    const struct {
        Damage damage;
        Fidelity atEnd;  // the board at the last report
        int line;        // its line state
        int told;        // lines in the field's log
    } cases[] = {
        {Damage::FlipInChanges, Fidelity::Approximate, 0, 1},
        {Damage::FlipInSnapshot, Fidelity::Exact, 0, 1},         // the newest snapshot is whole
        {Damage::Truncate, Fidelity::Exact, 3, 0},               // as a block being appended: what came before
        {Damage::GarbageAppended, Fidelity::Approximate, 0, 1},  // it could hide the last records
        {Damage::GarbageInside, Fidelity::Approximate, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.damage));
        History h;
        // Forty reports a minute apart, each in a block of its own; snapshots at 0, 15 and 30 minutes.
        for (int i = 1; i <= 40; ++i) {
            h.now = kStart + i * 60 * 1000;
            h.report(i % 8);
            h.history->sync();
        }
        const QString path = QDir(h.history->options().folder).filePath(h.files().front());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const sv::history::FileIndex index = sv::history::indexBlocks(bytes);
        ASSERT_EQ(index.blocks.size(), 43);
        ASSERT_EQ(index.blocks[15].kind, sv::history::BlockKind::Snapshot);
        ASSERT_EQ(index.blocks[31].kind, sv::history::BlockKind::Snapshot);
        switch (c.damage) {
        case Damage::FlipInChanges: bytes[index.blocks[38].offset + 30] ^= 0x55; break;
        case Damage::FlipInSnapshot: bytes[index.blocks[15].offset + 30] ^= 0x55; break;
        case Damage::Truncate: bytes.truncate(index.blocks[38].offset + 10); break;
        case Damage::GarbageAppended: bytes.append(QByteArray(100, '\x5a')); break;
        case Damage::GarbageInside: bytes.insert(index.blocks[35].offset, QByteArray("SOHB garbage", 12)); break;
        }
        file.resize(0);
        file.write(bytes);
        file.close();

        Fidelity fidelity = Fidelity::Unavailable;
        EXPECT_EQ(h.lineAt(h.now, &fidelity), c.line);
        EXPECT_EQ(fidelity, c.atEnd);
        EXPECT_EQ(h.lineAt(kStart + 5 * 60 * 1000, &fidelity), 5) << "before the damage";
        EXPECT_EQ(fidelity, Fidelity::Exact);
        EXPECT_EQ(h.errorsLogged(), c.told) << h.log.lines().join('\n').toStdString();

        // The field goes on recording: the next hour reads whole.
        const qint64 damagedHour = h.now;
        h.now = kStart + kHour + 60 * 1000;
        h.report(6);
        EXPECT_EQ(h.lineAt(h.now, &fidelity), 6);
        EXPECT_EQ(fidelity, Fidelity::Exact);
        // A file cut short that a newer hour follows was not being appended: its end is lost.
        h.lineAt(damagedHour, &fidelity);
        EXPECT_EQ(fidelity, c.damage == Damage::Truncate ? Fidelity::Approximate : c.atEnd);
        EXPECT_EQ(h.errorsLogged(), c.told) << "told once";
    }
}

}  // namespace history_files
