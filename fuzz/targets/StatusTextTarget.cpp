// The status texts of SuperStatus: the site's writer and reader (db/SiteStatusText), the viewer's
// parser (status/SuperStatusText), and a stored text replayed into the filled window.
#include "FuzzInput.h"
#include "FuzzSite.h"
#include "FuzzTargets.h"

#include "component/StatusInternals.h"
#include "site/SiteStatusText.h"
#include "status/SuperStatus.h"
#include "domain/SuperStatusText.h"

#include <statusobject/Db.h>

#include <QHash>

namespace so::fuzz {
namespace {

const QVector<int> kStatusTypes = {1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 32, 500, 501, 502};

/// One stored report of each status type of the fuzz site, kept to be put back after an input.
struct StoredRow {
    qint64 rowId = 0;
    qint32 controllerId = 0;
    QString address;
    QString status;
};

const QHash<int, StoredRow>& storedRows(FuzzSite& site) {
    static const QHash<int, StoredRow> rows = [&] {
        QHash<int, StoredRow> out;
        for (db::Recordset rs = site.db().query(QStringLiteral(
                 "SELECT rowid, ControllerID, StatusType, Address, Status FROM SuperStatus ORDER BY rowid"));
             !rs.eof(); rs.moveNext()) {
            const int type = rs.field(2).toInt();
            if (!out.contains(type))
                out.insert(type, {rs.field(0).toLongLong(), rs.field(1).toInt(), rs.field(3).toString(),
                                  rs.field(4).toString()});
        }
        return out;
    }();
    return rows;
}

void setStoredText(FuzzSite& site, qint64 rowId, const QString& text) {
    db::Command update(site.db(), QStringLiteral("UPDATE SuperStatus SET Status = ? WHERE rowid = ?"));
    update.appendParameter(QStringLiteral("@Status"), db::ParamType::NVarChar, db::ParamDirection::Input,
                           int(text.size()), text);
    update.appendParameter(QStringLiteral("@RowID"), db::ParamType::Integer, db::ParamDirection::Input, 0, rowId);
    update.execute();
}

/// Entries the site's writer can store: codes 0-255, values without separators, masks >= 0.
QVector<db::StatusEntry> wellFormedEntries(FuzzInput& in) {
    QVector<db::StatusEntry> entries(in.below(20));
    for (db::StatusEntry& e : entries) {
        for (int n = in.below(6); n > 0; --n)
            e.codes.append(in.byte());
        e.value = in.text(8).remove(QLatin1Char('|')).remove(QLatin1Char('#')).remove(QLatin1Char(','));
        e.maskSource = quint32(in.int32()) & 0x7fffffffu;
    }
    return entries;
}

/// What the site writes, the viewer reads the same.
void checkWriterAndReaderAgree(const QVector<db::StatusEntry>& entries) {
    const QString text = db::joinStatusEntries(entries);
    check(db::splitStatusEntries(text) == entries, QStringLiteral("the site's reader differs: \"%1\"").arg(text));
    const ParsedPointStatus parsed = parsePointStatus(text, int(entries.size()));
    check(parsed.problems.isEmpty() && parsed.points.size() == entries.size(),
          QStringLiteral("well-formed text \"%1\" reads with problems: %2").arg(text, parsed.problems.join(u'/')));
    for (int i = 0; i < entries.size(); ++i) {
        const PointStatus& p = parsed.points[i];
        const db::StatusEntry& e = entries[i];
        bool same = p.index == i && p.value == e.value && qint64(p.maskSource) == qint64(e.maskSource) &&
                    p.codes.size() == e.codes.size();
        for (int c = 0; same && c < e.codes.size(); ++c)
            same = p.codes[c] == e.codes[c];
        check(same, QStringLiteral("entry %1 of \"%2\" reads differently").arg(i).arg(text));
    }
}

void checkParsers(const QString& text, int maxEntries) {
    const ParsedPointStatus parsed = parsePointStatus(text, maxEntries);
    int previous = -1;
    for (const PointStatus& p : parsed.points) {
        check(p.index > previous && p.index < maxEntries && p.maskSource >= 0,
              QStringLiteral("entry index %1 after %2 (at most %3)").arg(p.index).arg(previous).arg(maxEntries));
        previous = p.index;
    }
    QStringList problems;
    parseStateCodes(text, problems);
    check(parseThreatLevels(text, problems).size() <= 16, QStringLiteral("more than 16 threat levels"));

    // The site's own reader: what it reads, it writes back and reads again the same.
    QVector<db::StatusEntry> entries = db::splitStatusEntries(text);
    try {
        check(db::splitStatusEntries(db::joinStatusEntries(entries)) == entries,
              QStringLiteral("split/join/split of \"%1\" differs").arg(text));
    } catch (const db::DbError&) {
        // A value holding "," reads but is refused for writing.
    }
}

/// How a stored text is replayed; read from the input before the text itself.
struct ReplayChoice {
    int how = 0;  // 0 one type, 1 every type of the controller, 2 a row's status request
    bool storedAddress = true;
    QString address;
    bool allOfController = false;
    qint16 pointKind = 0;
    bool refreshItem = false;

    static ReplayChoice read(FuzzInput& in) {
        ReplayChoice c;
        c.how = in.below(3);
        c.storedAddress = in.flag();
        c.address = in.text(40);
        c.allOfController = in.flag();
        c.pointKind = qint16(in.below(10));
        c.refreshItem = in.flag();
        return c;
    }
};

/// Stores text as the report of a controller and status type, replays it through the window and
/// puts the stored report back.
void replay(FuzzSite& site, const ReplayChoice& choice, int statusType, const QString& text) {
    const auto& rows = storedRows(site);
    const auto it = rows.constFind(statusType);
    if (it == rows.constEnd())
        return;
    site.beginInput();
    const std::array<int, 8> rowsBefore = site.rowCounts();
    setStoredText(site, it->rowId, text);
    const qint64 changesBefore = site.databaseChanges();

    SuperStatusReplay& replay = superStatusOf(site.status());
    switch (choice.how) {
    case 0: replay.GetSuperStatus(it->controllerId, statusType); break;
    case 1: replay.GetSuperStatus(it->controllerId, 0); break;
    default:
        replay.RequestSuperStatus(choice.allOfController, choice.storedAddress ? it->address : choice.address,
                                  choice.pointKind);
        break;
    }
    qint32 controllerId = it->controllerId;
    if (choice.refreshItem)
        site.status().RefreshStatusItem(controllerId);

    check(site.databaseChanges() == changesBefore, QStringLiteral("replaying a stored report wrote the database"));
    check(site.rowCounts() == rowsBefore, QStringLiteral("replaying a stored report added or removed rows"));
    site.checkAddressIndexes();
    setStoredText(site, it->rowId, it->status);
}

}  // namespace

int statusTexts(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const int statusType = kStatusTypes.at(in.below(int(kStatusTypes.size())));
    const int maxEntries = in.below(80);
    checkWriterAndReaderAgree(wellFormedEntries(in));
    const bool replayIt = in.flag();
    const ReplayChoice choice = ReplayChoice::read(in);
    const QString text = in.rest();
    checkParsers(text, maxEntries);
    if (replayIt)
        replay(FuzzSite::instance(), choice, statusType, text);
    return 0;
}

}  // namespace so::fuzz
