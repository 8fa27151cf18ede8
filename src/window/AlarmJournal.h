// Reading the alarm journal (AlarmJournal in the site database) for the journal view: the steps
// of every alarm, newest first, filtered by point, operator and time, and as a table for a CSV
// file. The filters are bound parameters, never part of the statement's text.
#pragma once

#include "window/CsvExport.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace so {

namespace db {
class Connection;
}

struct AlarmJournalFilter {
    QString point;       // part of the point's address; empty: every point
    QString byOperator;  // an operator's login name; empty: anyone (and the field)
    QDateTime from;      // invalid: from the first row kept
    QDateTime to;        // invalid: up to now
    int limit = 10000;   // rows read at most
};

struct AlarmJournalRow {
    QDateTime time;
    QString event;  // raised, cleared, acknowledged, shelved, unshelved
    QString address;
    QDateTime raisedAt;
    QString byOperator;
    QString comment;
};

/// The journal's rows that pass the filter, newest first.
std::vector<AlarmJournalRow> readAlarmJournal(db::Connection& db, const AlarmJournalFilter& filter);
/// The rows as the view and its CSV file show them: Time, Event, Address, Raised, Operator, Comment.
ExportTable alarmJournalTable(const std::vector<AlarmJournalRow>& rows);

}  // namespace so
