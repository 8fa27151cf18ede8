#include "field/PastBoardCopy.h"

#include "field/FieldWriter.h"

#include <QDateTime>

namespace sv {

void applyPastBoard(so::db::Connection& db, const history::PastBoard& board) {
    FieldWrites rows;
    for (const history::StatusRowValue& row : board.statusRows)
        rows.statusRows.insert(FieldWrites::statusKey(row.controllerId, row.statusType),
                               row.text.isNull() ? QStringLiteral("") : row.text);  // Status is NOT NULL
    for (const history::DeviceRowValue& row : board.deviceRows)
        rows.deviceRows[deviceColumnUpdate(row.column)].insert(row.id, row.value);
    // Stamped with the board's moment: its rows say they were updated by then, however the desk
    // came to the moment (opened there, or stepped to it).
    FieldWriter::write(db, rows, QDateTime::fromMSecsSinceEpoch(board.moment));
}

void copySiteAt(so::db::Connection& site, const QString& copyPath, const history::PastBoard& board) {
    so::db::Command vacuum(site, QStringLiteral("VACUUM INTO ?"));
    vacuum.appendParameter(QStringLiteral("@Path"), so::db::ParamType::NVarChar, so::db::ParamDirection::Input, 0,
                           copyPath);
    vacuum.execute();
    const auto copy = so::db::Connection::open(QStringLiteral("sqlite:") + copyPath);
    applyPastBoard(*copy, board);
    rewindAlarmRecords(*copy, board.moment);
}

namespace {

/// Runs sql with every "?" bound to the moment, as the alarm records keep their times: the site's
/// time of day to the second.
void atMoment(so::db::Connection& db, const QString& sql, qint64 moment) {
    const QString at = QDateTime::fromMSecsSinceEpoch(moment).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    so::db::Command command(db, sql);
    for (qsizetype i = 0, n = sql.count(QLatin1Char('?')); i < n; ++i)
        command.appendParameter(QStringLiteral("@At%1").arg(i), so::db::ParamType::VarChar,
                                so::db::ParamDirection::Input, int(at.size()), at);
    command.execute();
}

}  // namespace

void rewindAlarmRecords(so::db::Connection& db, qint64 moment) {
    so::db::Transaction transaction(db);
    // The records as they stand now, for the alarms raised before the journal reaches.
    db.execute(QStringLiteral("CREATE TEMP TABLE PresentAlarmStates AS SELECT * FROM AlarmStates"));
    db.execute(QStringLiteral("DELETE FROM AlarmStates"));
    // A point's alarm at the moment: its occurrence raised last by then (raised counts from when
    // the point went abnormal, a desk may record it later), with its steps taken by then; one
    // cleared and acknowledged by then has no record.
    atMoment(db,
             QStringLiteral(
                 "INSERT INTO AlarmStates (Address, RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy) "
                 "SELECT r.Address, r.RaisedAt, "
                 "(SELECT max(c.EventTime) FROM AlarmJournal c WHERE c.Event = 'cleared' AND c.Address = r.Address "
                 "AND c.RaisedAt = r.RaisedAt AND c.EventTime <= ?), "
                 "a.EventTime, a.OperatorName "
                 "FROM (SELECT Address, max(RaisedAt) AS RaisedAt FROM AlarmJournal WHERE Event = 'raised' "
                 "AND RaisedAt <= ? GROUP BY Address) r "
                 "LEFT JOIN AlarmJournal a ON a.JournalID = (SELECT x.JournalID FROM AlarmJournal x WHERE "
                 "x.Event = 'acknowledged' AND x.Address = r.Address AND x.RaisedAt = r.RaisedAt AND x.EventTime <= ? "
                 "ORDER BY x.EventTime LIMIT 1)"),
             moment);
    db.execute(QStringLiteral("DELETE FROM AlarmStates WHERE ClearedAt IS NOT NULL AND AcknowledgedAt IS NOT NULL"));
    atMoment(db,
             QStringLiteral("INSERT INTO AlarmStates (Address, RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy) "
                            "SELECT p.Address, p.RaisedAt, CASE WHEN p.ClearedAt <= ? THEN p.ClearedAt END, "
                            "CASE WHEN p.AcknowledgedAt <= ? THEN p.AcknowledgedAt END, "
                            "CASE WHEN p.AcknowledgedAt <= ? THEN p.AcknowledgedBy END "
                            "FROM PresentAlarmStates p WHERE p.RaisedAt <= ? AND NOT EXISTS (SELECT 1 FROM "
                            "AlarmJournal j WHERE j.Event = 'raised' AND j.Address = p.Address)"),
             moment);
    db.execute(QStringLiteral("DROP TABLE PresentAlarmStates"));
    atMoment(db, QStringLiteral("DELETE FROM AlarmJournal WHERE EventTime > ?"), moment);
    atMoment(db, QStringLiteral("DELETE FROM ShelvedPoints WHERE ShelvedAt > ?"), moment);
    transaction.commit();
}

}  // namespace sv
