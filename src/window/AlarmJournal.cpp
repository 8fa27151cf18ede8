#include "window/AlarmJournal.h"

#include "base/RecordFields.h"

#include <statusobject/Db.h>

#include <QCoreApplication>

namespace so {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QDateTime timeOf(const QVariant& value) {
    if (value.isNull())
        return {};
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime()
                                                  : QDateTime::fromString(value.toString(), kTimeFormat);
}

/// A comment as a spreadsheet takes it: text, never a formula ("=", "+", "-", "@" first).
QString asText(const QString& comment) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return !comment.isEmpty() && kFormulaStarts.contains(comment.front()) ? QLatin1Char('\'') + comment : comment;
}

}  // namespace

std::vector<AlarmJournalRow> readAlarmJournal(db::Connection& db, const AlarmJournalFilter& filter) {
    QString sql = QStringLiteral(
                      "Select TOP %1 EventTime, Event, Address, RaisedAt, OperatorName, Comment From "
                      "AlarmJournal Where 1 = 1")
                      .arg(std::max(1, filter.limit));
    db::Command command(db);
    const auto bind = [&](const QString& clause, db::ParamType type, const QVariant& value) {
        sql += clause;
        command.appendParameter(QStringLiteral("@P%1").arg(command.parameterCount()), type, db::ParamDirection::Input,
                                int(value.toString().size()), value);
    };
    if (!filter.point.isEmpty())
        bind(QStringLiteral(" And Address Like ?"), db::ParamType::VarChar,
             QStringLiteral("%") + filter.point + QStringLiteral("%"));
    if (!filter.byOperator.isEmpty())
        bind(QStringLiteral(" And OperatorName = ?"), db::ParamType::NVarChar, filter.byOperator);
    if (filter.from.isValid())
        bind(QStringLiteral(" And EventTime >= ?"), db::ParamType::DateTime, filter.from);
    if (filter.to.isValid())
        bind(QStringLiteral(" And EventTime <= ?"), db::ParamType::DateTime, filter.to);
    command.setText(sql + QStringLiteral(" Order By EventTime Desc, JournalID Desc"));
    std::vector<AlarmJournalRow> rows;
    for (db::Recordset rs = command.open(); !rs.eof(); rs.moveNext())
        rows.push_back({timeOf(rs.field(QStringLiteral("EventTime"))), fields::text(rs, QStringLiteral("Event")),
                        fields::text(rs, QStringLiteral("Address")), timeOf(rs.field(QStringLiteral("RaisedAt"))),
                        fields::text(rs, QStringLiteral("OperatorName")), fields::text(rs, QStringLiteral("Comment"))});
    return rows;
}

ExportTable alarmJournalTable(const std::vector<AlarmJournalRow>& rows) {
    ExportTable table;
    const auto text = [](const char* english) { return QCoreApplication::translate("so::AlarmJournal", english); };
    table.title = text(QT_TRANSLATE_NOOP("so::AlarmJournal", "Alarm journal"));
    for (const char* caption :
         {QT_TRANSLATE_NOOP("so::AlarmJournal", "Time"), QT_TRANSLATE_NOOP("so::AlarmJournal", "Event"),
          QT_TRANSLATE_NOOP("so::AlarmJournal", "Address"), QT_TRANSLATE_NOOP("so::AlarmJournal", "Raised"),
          QT_TRANSLATE_NOOP("so::AlarmJournal", "Operator"), QT_TRANSLATE_NOOP("so::AlarmJournal", "Comment")})
        table.header.append(text(caption));
    for (const AlarmJournalRow& row : rows)
        table.rows.append({row.time.toString(kTimeFormat), row.event, row.address, row.raisedAt.toString(kTimeFormat),
                           row.byOperator, asText(row.comment)});
    return table;
}

}  // namespace so
