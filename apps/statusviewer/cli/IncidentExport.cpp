#include "cli/IncidentExport.h"

namespace sv {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

/// A stored time: a typed value from a server, "yyyy-MM-dd HH:mm:ss" text from the embedded site.
QDateTime storedTime(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString(), kTimeFormat);
}

/// Binds a window's start and end to the command's two "?".
void bindWindow(so::db::Command& command, const QDateTime& from, const QDateTime& to) {
    command.appendParameter(QStringLiteral("@From"), so::db::ParamType::DateTime, so::db::ParamDirection::Input, 0,
                            from);
    command.appendParameter(QStringLiteral("@To"), so::db::ParamType::DateTime, so::db::ParamDirection::Input, 0, to);
}

QString escaped(const QString& text) { return text.toHtmlEscaped(); }

/// A table: the header's captions and the rows' cells, every text escaped.
QString table(const QStringList& header, const QVector<QStringList>& rows) {
    QString out = QStringLiteral("<table>\n<tr>");
    for (const QString& caption : header)
        out += QStringLiteral("<th>") + escaped(caption) + QStringLiteral("</th>");
    out += QStringLiteral("</tr>\n");
    for (const QStringList& row : rows) {
        out += QStringLiteral("<tr>");
        for (const QString& cell : row)
            out += QStringLiteral("<td>") + escaped(cell) + QStringLiteral("</td>");
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

/// A part's heading, how many rows it lists, and its table (or a line saying there are none).
QString part(const QString& title, const QStringList& header, const QVector<QStringList>& rows, bool cut) {
    QString out = QStringLiteral("<h2>%1</h2>\n").arg(escaped(title));
    if (rows.isEmpty())
        return out + QStringLiteral("<p>None.</p>\n");
    if (cut)
        out += QStringLiteral("<p class=\"cut\">The first %1 only: the window holds more.</p>\n").arg(rows.size());
    return out + table(header, rows);
}

QString severityWord(so::StatusReader::Severity severity) {
    switch (severity) {
    case so::StatusReader::Severity::Alarm: return QStringLiteral("Alarm");
    case so::StatusReader::Severity::Warning: return QStringLiteral("Warning");
    case so::StatusReader::Severity::Normal: break;
    }
    return QStringLiteral("Normal");
}

QString attentionPart(const QVector<so::StatusReader::AttentionItem>& items) {
    QVector<QStringList> rows;
    for (const so::StatusReader::AttentionItem& item : items)
        rows << QStringList{severityWord(item.severity), item.kind, item.name, item.address, item.words};
    return part(QStringLiteral("Abnormal points at the moment"),
                {QStringLiteral("Severity"), QStringLiteral("Kind"), QStringLiteral("Name"), QStringLiteral("Address"),
                 QStringLiteral("What is wrong")},
                rows, false);
}

QString reportsPart(const Listed<history::PastReport>& reports) {
    QVector<QStringList> rows;
    for (const history::PastReport& r : reports.rows)
        rows << QStringList{QDateTime::fromMSecsSinceEpoch(r.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                            r.deviceType, r.address, QString::number(r.state), r.value};
    return part(QStringLiteral("Reports from the field"),
                {QStringLiteral("Time"), QStringLiteral("Device type"), QStringLiteral("Address"),
                 QStringLiteral("State"), QStringLiteral("Value")},
                rows, reports.cut);
}

QString journalPart(const Listed<so::StatusReader::JournalRow>& journal) {
    QVector<QStringList> rows;
    for (const so::StatusReader::JournalRow& r : journal.rows)
        rows << QStringList{r.time, r.event, r.address, r.raised, r.byOperator, r.comment};
    return part(QStringLiteral("Alarm journal"),
                {QStringLiteral("Time"), QStringLiteral("Step"), QStringLiteral("Address"), QStringLiteral("Raised"),
                 QStringLiteral("Operator"), QStringLiteral("Comment")},
                rows, journal.cut);
}

QString eventsPart(const Listed<OperatorEvent>& events) {
    QVector<QStringList> rows;
    for (const OperatorEvent& e : events.rows)
        rows << QStringList{
            e.time.toString(kTimeFormat), e.description, e.deviceKind,  QString::number(e.deviceNumber), e.details,
            QString::number(e.code),      e.workstation, e.operatorName};
    return part(
        QStringLiteral("Operator events"),
        {QStringLiteral("Time"), QStringLiteral("Event"), QStringLiteral("Device kind"), QStringLiteral("Device"),
         QStringLiteral("Details"), QStringLiteral("Code"), QStringLiteral("Workstation"), QStringLiteral("Operator")},
        rows, events.cut);
}

const char* const kStyle =
    "body{font-family:sans-serif;font-size:13px;margin:1em}"
    "table{border-collapse:collapse;margin-bottom:1em}"
    "th,td{border:1px solid #999;padding:2px 6px;text-align:left;vertical-align:top;"
    "white-space:pre-wrap}"
    "th{background:#ddd}.cut,.note{color:#a00;font-weight:bold}";

}  // namespace

QVector<OperatorEvent> operatorEvents(so::db::Connection& db, const QDateTime& from, const QDateTime& to, int limit) {
    so::db::Command command(
        db, QStringLiteral("SELECT TOP %1 e.EventTime, e.Description, e.DeviceKind, e.DeviceNumber, e.Details, "
                           "e.EventCode, w.ComputerName, o.LoginName FROM EventLog e "
                           "LEFT JOIN Workstations w ON w.WorkstationID = e.WorkstationID "
                           "LEFT JOIN Operators o ON o.OperatorID = e.OperatorID "
                           "WHERE e.EventTime >= ? AND e.EventTime <= ? ORDER BY e.EventTime, e.EventID")
                .arg(qMax(1, limit)));
    bindWindow(command, from, to);
    QVector<OperatorEvent> events;
    for (so::db::Recordset rs = command.open(); !rs.eof(); rs.moveNext())
        events << OperatorEvent{storedTime(rs.field(0)), rs.field(1).toString(), rs.field(2).toString(),
                                rs.field(3).toInt(),     rs.field(4).toString(), rs.field(5).toInt(),
                                rs.field(6).toString(),  rs.field(7).toString()};
    return events;
}

QVector<so::StatusReader::JournalRow> alarmJournal(so::db::Connection& db, const QDateTime& from, const QDateTime& to,
                                                   int limit) {
    so::db::Command command(db,
                            QStringLiteral("SELECT TOP %1 EventTime, Event, Address, RaisedAt, OperatorName, Comment "
                                           "FROM AlarmJournal WHERE EventTime >= ? AND EventTime <= ? "
                                           "ORDER BY EventTime, JournalID")
                                .arg(qMax(1, limit)));
    bindWindow(command, from, to);
    QVector<so::StatusReader::JournalRow> steps;
    for (so::db::Recordset rs = command.open(); !rs.eof(); rs.moveNext())
        steps << so::StatusReader::JournalRow{
            storedTime(rs.field(0)).toString(kTimeFormat), rs.field(1).toString(), rs.field(2).toString(),
            storedTime(rs.field(3)).toString(kTimeFormat), rs.field(4).toString(), rs.field(5).toString()};
    return steps;
}

QVector<BoardSection> boardSections(const so::StatusReader& reader, const QString& receptionTime) {
    QVector<BoardSection> sections;
    const so::StatusReader::Filter every;
    for (const so::StatusReader::SectionInfo& info : reader.sections()) {
        if (!info.used)
            continue;
        const qsizetype left = info.columns.indexOf(receptionTime);
        BoardSection section{info.title, info.columns, {}};
        if (left >= 0)
            section.columns.removeAt(left);
        const int total = reader.counts(info.section, every).rows;
        for (so::StatusReader::Row& row : reader.rows(info.section, every, 0, total).rows) {
            if (left >= 0 && left < row.cells.size())
                row.cells.removeAt(left);
            section.rows << row.cells;
        }
        sections << section;
    }
    return sections;
}

QString incidentHtml(const Incident& incident) {
    const QString zoned = QStringLiteral("yyyy-MM-dd HH:mm:ss t");
    const QString moment = incident.moment.toString(zoned);
    QString out = QStringLiteral(
                      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                      "style-src 'unsafe-inline'\">\n<title>Incident at %1</title>\n<style>%2</style>\n</head>\n"
                      "<body>\n<h1>Incident at %1</h1>\n")
                      .arg(escaped(moment), QLatin1String(kStyle));
    out +=
        QStringLiteral("<p>Site: %1<br>Window: %2 to %3 (%4 minutes either side)<br>Made: %5</p>\n")
            .arg(escaped(incident.site), escaped(incident.moment.addSecs(-60 * incident.windowMinutes).toString(zoned)),
                 escaped(incident.moment.addSecs(60 * incident.windowMinutes).toString(zoned)))
            .arg(incident.windowMinutes)
            .arg(escaped(incident.made.toString(zoned)));
    if (!incident.fidelityNote.isEmpty())
        out +=
            QStringLiteral("<p class=\"note\">The board may be inexact: %1</p>\n").arg(escaped(incident.fidelityNote));
    out += attentionPart(incident.attention);
    out += QStringLiteral("<h2>The board at the moment</h2>\n");
    for (const BoardSection& section : incident.board)
        out += QStringLiteral("<h3>%1 (%2)</h3>\n").arg(escaped(section.title)).arg(section.rows.size()) +
               table(section.columns, section.rows);
    out += reportsPart(incident.reports);
    out += journalPart(incident.journal);
    out += eventsPart(incident.events);
    return out + QStringLiteral("</body>\n</html>\n");
}

}  // namespace sv
