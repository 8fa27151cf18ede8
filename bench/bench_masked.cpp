// The masked points list with 5,000 masked points (a demo site of 50,000 points whose stored mask
// reports and newer-line inputs are rewritten so that exactly 5,000 inputs are masked, spread over
// the site's classic inputs, one in ten on the newer line's first inputs):
//  - BM_FillMaskedGrid: FMain.FillMaskedGrid, the list read from the database;
//  - BM_UpdateMaskedItem_Rewrite: a listed point's mask sources change (its reason is rewritten);
//  - BM_UpdateMaskedItem_RemoveAdd: a listed point is unmasked (its row goes) and masked again
//    (its row comes back); the time is per call, two calls an iteration;
//  - BM_UpdateMaskedItem_Unlisted: a "not masked" report of a point the list does not show, the
//    most frequent mask report.
//   bench_masked --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "BenchSite.h"
#include "status/StatusBoard.h"

#include "db/ConnectionImpl.h"
#include "site/SiteStatusText.h"
#include "status/MaskedPoints.h"

#include <benchmark/benchmark.h>

#include <QSqlDatabase>
#include <QSet>
#include <QSqlQuery>

namespace {

using namespace so;
using namespace so::bench;

constexpr int kSitePoints = 50000;
constexpr int kMasked = 5000;

/// Rewrites the site's mask states so that exactly `wanted` inputs are masked, spread evenly over
/// the stored mask reports (classic) and the newer-line inputs; returns the number masked.
int maskInputs(db::Connection& connection, int wanted) {
    QSqlDatabase qdb = QSqlDatabase::database(so::db::qtConnectionName(connection));
    struct StoredRow {
        qint64 rowId;
        QVector<db::StatusEntry> entries;
    };
    QVector<StoredRow> rows;
    int classicEntries = 0;
    QSqlQuery read(qdb);
    read.exec(QStringLiteral("SELECT rowid, Status FROM SuperStatus WHERE StatusType IN (7, 8, 9, 14, 15)"));
    while (read.next()) {
        rows.append({read.value(0).toLongLong(), db::splitStatusEntries(read.value(1).toString())});
        classicEntries += int(rows.last().entries.size());
    }
    QSqlQuery zrCount(qdb);
    zrCount.exec(QStringLiteral("SELECT COUNT(*) FROM ZRII_Inputs"));
    const int zrInputs = zrCount.next() ? zrCount.value(0).toInt() : 0;
    const int zrWanted = std::min(zrInputs, wanted / 10);
    const int classicWanted = std::min(classicEntries, wanted - zrWanted);

    qdb.transaction();
    QSqlQuery write(qdb);
    write.prepare(QStringLiteral("UPDATE SuperStatus SET Status = ? WHERE rowid = ?"));
    int seen = 0;
    int masked = 0;
    for (StoredRow& row : rows) {
        for (db::StatusEntry& entry : row.entries) {
            // Entry `seen` is masked when it starts a new share of classicWanted / classicEntries.
            const bool mask =
                qint64(seen + 1) * classicWanted / classicEntries > qint64(seen) * classicWanted / classicEntries;
            ++seen;
            entry.maskSource = mask ? 1 : 0;
            entry.value = QString::number(entry.maskSource);
            entry.codes.removeAll(67);
            entry.codes.removeAll(68);
            entry.codes.append(mask ? 67 : 68);
            masked += mask ? 1 : 0;
        }
        write.addBindValue(db::joinStatusEntries(row.entries));
        write.addBindValue(row.rowId);
        write.exec();
    }
    QSqlQuery zr(qdb);
    zr.exec(QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 0"));
    if (zrWanted > 0) {
        zr.prepare(
            QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 2 WHERE InputID IN "
                           "(SELECT InputID FROM ZRII_Inputs ORDER BY InputID LIMIT ?)"));
        zr.addBindValue(zrWanted);
        zr.exec();
        masked += zr.numRowsAffected();
    }
    qdb.commit();
    return masked;
}

struct MaskedSite {
    explicit MaskedSite(int points) : site(points) {
        maskedInputs = maskInputs(*site.db, kMasked);
        site.show();
        StatusGrid& list = site.window().board().sections().masked();
        for (int row = 1; row <= list.rowCount(); ++row)
            listed.append(list.text(row, col::Address));
        QSet<QString> shown(listed.begin(), listed.end());
        StatusGrid& inputs = site.grid(1);
        site.showEntireSite();
        for (int row = 1; row <= inputs.rowCount(); ++row) {
            const QString& address = inputs.text(row, col::Address);
            if (!shown.contains(address) &&
                !shown.contains(QString(address).replace(QStringLiteral(".BI"), QStringLiteral(".DR"))))
                unlisted.append(address);
        }
    }
    BenchSite site;
    int maskedInputs = 0;
    QVector<QString> listed;
    QVector<QString> unlisted;
};

MaskedSite& maskedSite() { return keptSite<MaskedSite>(kSitePoints); }

void counters(benchmark::State& state, MaskedSite& s) {
    state.counters["masked_rows"] = s.site.window().board().sections().masked().rowCount();
    state.counters["masked_inputs"] = s.maskedInputs;
    state.counters["log_bytes"] = double(s.site.errorLogBytes());
}

void BM_FillMaskedGrid(benchmark::State& state) {
    MaskedSite& s = maskedSite();
    for (auto _ : state)
        s.site.window().board().maskedPoints().FillMaskedGrid();
    counters(state, s);
}

void BM_UpdateMaskedItem_Rewrite(benchmark::State& state) {
    MaskedSite& s = maskedSite();
    MaskedPoints& list = s.site.window().board().maskedPoints();
    const int n = int(s.listed.size());
    int i = 0;
    for (auto _ : state) {
        list.UpdateMaskedItem(s.listed[i % n], (i / n) % 2 == 0 ? 2 : 1);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    counters(state, s);
}

void BM_UpdateMaskedItem_RemoveAdd(benchmark::State& state) {
    MaskedSite& s = maskedSite();
    MaskedPoints& list = s.site.window().board().maskedPoints();
    const int n = int(s.listed.size());
    int i = 0;
    for (auto _ : state) {
        const QString& address = s.listed[i++ % n];
        list.UpdateMaskedItem(address, 0);
        list.UpdateMaskedItem(address, 1);
    }
    state.SetItemsProcessed(2 * state.iterations());
    counters(state, s);
}

void BM_UpdateMaskedItem_Unlisted(benchmark::State& state) {
    MaskedSite& s = maskedSite();
    MaskedPoints& list = s.site.window().board().maskedPoints();
    const int n = int(s.unlisted.size());
    int i = 0;
    for (auto _ : state)
        list.UpdateMaskedItem(s.unlisted[i++ % n], 0);
    state.SetItemsProcessed(state.iterations());
    counters(state, s);
}

BENCHMARK(BM_FillMaskedGrid)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateMaskedItem_Rewrite)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_UpdateMaskedItem_RemoveAdd)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_UpdateMaskedItem_Unlisted)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) { return runHeadlessBenchmarks<MaskedSite>(argc, argv); }
