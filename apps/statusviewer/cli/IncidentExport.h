// An incident as one file a supervisor can keep: the board at a moment (its abnormal points first,
// then every section's rows), and the reports, alarm-journal steps and operator events of a window
// around it. The file is a single HTML page: it opens in any browser and prints, needs no program
// of ours and no unpacking, and carries everything inline (no script, no external resource; a
// content policy forbids both). Every text in it that came from the field, the site or an operator
// is escaped.
#pragma once

#include "field/HistoryTypes.h"

#include <statusobject/Db.h>
#include <statusobject/StatusReader.h>

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace sv {

/// One operator event of the site's event log, with the workstation's and operator's names.
struct OperatorEvent {
    QDateTime time;
    QString description;
    QString deviceKind;
    qint32 deviceNumber = 0;
    QString details;
    qint32 code = 0;
    QString workstation;
    QString operatorName;
};

/// The site's operator events from `from` to `to` (both included), oldest first, at most limit;
/// every value bound.
QVector<OperatorEvent> operatorEvents(so::db::Connection& db, const QDateTime& from, const QDateTime& to, int limit);

/// The alarm journal's steps from `from` to `to` (both included), oldest first, at most limit;
/// every value bound. Read from the site itself: a desk drawing a past board records the alarms it
/// shows as raised now, in its copy's journal.
QVector<so::StatusReader::JournalRow> alarmJournal(so::db::Connection& db, const QDateTime& from, const QDateTime& to,
                                                   int limit);

/// A section of the board as a desk shows it.
struct BoardSection {
    QString title;
    QStringList columns;
    QVector<QStringList> rows;
};

/// Every used section of the board a reader shows, rows in the desk's order, without the column
/// captioned `receptionTime`: a desk drawing a past board receives every newer-line state as it
/// draws, so that column would show the time the file was made, not when the state came.
QVector<BoardSection> boardSections(const so::StatusReader& reader, const QString& receptionTime);

/// A part of the incident that may have been cut at its limit.
template <class Row>
struct Listed {
    QVector<Row> rows;
    bool cut = false;  // the window holds more than the rows listed
};

struct Incident {
    QString site;            // the site database, as named on the command line
    QDateTime moment;        // local time
    int windowMinutes = 15;  // the window is the moment plus and minus this
    QString fidelityNote;    // why the board may be inexact; empty when it is exact
    QVector<so::StatusReader::AttentionItem> attention;
    QVector<BoardSection> board;
    Listed<history::PastReport> reports;
    Listed<so::StatusReader::JournalRow> journal;
    Listed<OperatorEvent> events;
    QDateTime made;  // when the file was made
};

/// The incident as a self-contained HTML page (UTF-8).
QString incidentHtml(const Incident& incident);

}  // namespace sv
