#include "cli/HistoryCommands.h"

#include "cli/IncidentExport.h"
#include "cli/MomentCompare.h"
#include "cli/PastSite.h"
#include "StartupError.h"

#include <QSaveFile>

#include <numeric>

namespace sv {
namespace {

/// At most this many reports, journal steps and operator events go into one incident file.
constexpr int kMaxReports = 100000;
constexpr int kMaxJournalSteps = 10000;
constexpr int kMaxEvents = 10000;

/// Resource texts of the captions a desk gives the address and reception time columns.
constexpr qint32 kAddressCaption = 1387;
constexpr qint32 kLastUpdatedCaption = 1400;

const QString kMomentFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

/// A text from the field or an operator made safe for a terminal: control characters (which
/// could move the cursor or recolour the screen) become spaces.
QString printable(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

void writeFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw StartupError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

PastReader readerOf(const AppOptions& options) { return {QStringLiteral("WS1"), options.operatorName, options.group}; }

int compare(const AppOptions& options, std::FILE* out) {
    PastSite site(options.dbUrl, readerOf(options));
    const IdentityColumns identity{site.texts().text(kAddressCaption), site.texts().text(kLastUpdatedCaption)};
    const auto before = site.open(options.moment.toMSecsSinceEpoch());
    const auto after = site.open(options.secondMoment.toMSecsSinceEpoch());
    const QVector<PointDifference> differences =
        comparePoints(shownPoints(*before->reader, identity), shownPoints(*after->reader, identity));
    const QString first = options.moment.toString(kMomentFormat);
    const QString second = options.secondMoment.toString(kMomentFormat);
    if (!options.outFile.isEmpty()) {
        writeFile(options.outFile, differencesCsv(differences, first, second));
    } else {
        for (const PointDifference& d : differences)
            std::fprintf(out, "%s\t%s\t%s\t%s\t->\t%s\n", qPrintable(printable(d.section)),
                         qPrintable(printable(d.name)), qPrintable(printable(d.address)),
                         qPrintable(printable(d.before)), qPrintable(printable(d.after)));
    }
    for (const auto* moment : {before.get(), after.get()})
        if (moment->board.fidelity == history::Fidelity::Approximate)
            std::fprintf(out, "approximate at %s: %s\n",
                         qPrintable(QDateTime::fromMSecsSinceEpoch(moment->board.moment).toString(kMomentFormat)),
                         qPrintable(printable(moment->board.note)));
    std::fprintf(out, "%lld points differ between %s and %s\n", static_cast<long long>(differences.size()),
                 qPrintable(first), qPrintable(second));
    return 0;
}

/// The first `limit` of rows read with one more than the limit, and whether there were more.
template <class Row>
Listed<Row> listed(QVector<Row> rows, int limit) {
    const bool cut = rows.size() > limit;
    if (cut)
        rows.resize(limit);
    return {std::move(rows), cut};
}

int exportIncident(const AppOptions& options, std::FILE* out) {
    PastSite site(options.dbUrl, readerOf(options));
    const auto past = site.open(options.moment.toMSecsSinceEpoch());
    const QDateTime from = options.moment.addSecs(-60 * options.windowMinutes);
    const QDateTime to = options.moment.addSecs(60 * options.windowMinutes);
    Incident incident;
    incident.site = options.dbUrl;
    incident.moment = options.moment;
    incident.windowMinutes = options.windowMinutes;
    if (past->board.fidelity != history::Fidelity::Exact)
        incident.fidelityNote = past->board.note;
    incident.attention = past->reader->attention();
    incident.board = boardSections(*past->reader, site.texts().text(kLastUpdatedCaption));
    incident.reports =
        listed(site.reports(from.toMSecsSinceEpoch(), to.toMSecsSinceEpoch(), kMaxReports + 1), kMaxReports);
    try {
        incident.journal = listed(alarmJournal(site.site(), from, to, kMaxJournalSteps + 1), kMaxJournalSteps);
        incident.events = listed(operatorEvents(site.site(), from, to, kMaxEvents + 1), kMaxEvents);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("the site's alarm journal or event log cannot be read: %1").arg(e.message()));
    }
    incident.made = QDateTime::currentDateTime();
    writeFile(options.outFile, incidentHtml(incident));
    std::fprintf(
        out, "incident at %s written to %s: %lld points, %lld reports, %lld journal steps, %lld events\n",
        qPrintable(options.moment.toString(kMomentFormat)), qPrintable(options.outFile),
        static_cast<long long>(std::accumulate(incident.board.cbegin(), incident.board.cend(), qsizetype(0),
                                               [](qsizetype n, const BoardSection& s) { return n + s.rows.size(); })),
        static_cast<long long>(incident.reports.rows.size()), static_cast<long long>(incident.journal.rows.size()),
        static_cast<long long>(incident.events.rows.size()));
    return 0;
}

}  // namespace

int runHistoryTask(const AppOptions& options, std::FILE* out, std::FILE* err) {
    try {
        switch (options.historyTask) {
        case HistoryTask::Compare: return compare(options, out);
        case HistoryTask::ExportIncident: return exportIncident(options, out);
        case HistoryTask::None: break;
        }
    } catch (const StartupError& e) {
        std::fprintf(err, "statusviewer: %s\n", qPrintable(printable(e.message())));
    }
    return 1;
}

}  // namespace sv
