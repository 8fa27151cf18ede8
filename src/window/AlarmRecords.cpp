#include "window/AlarmRecords.h"

#include "base/RecordFields.h"
#include "window/AlarmAuthority.h"

#include <QDateTime>

namespace so {
namespace alarms {

void bindText(db::Command& command, const QString& name, const QString& text) {
    command.appendParameter(name, db::ParamType::NVarChar, db::ParamDirection::Input, int(text.size()),
                            text.isNull() ? QStringLiteral("") : text);
}

QDateTime TimeValues::at(qint64 ms) {
    // A local time asks for the time zone under a lock the whole process shares (the window's
    // thread too, on every report): it is asked twice an hour of UTC, and a second of an hour at
    // one offset is placed at that offset without asking.
    const qint64 second = wholeSecondsMs(ms);
    const qint64 hour = second - ((second % kHourMs) + kHourMs) % kHourMs;
    auto known = offsets_.constFind(hour);
    if (known == offsets_.constEnd()) {
        if (offsets_.size() >= kKept)
            offsets_.clear();
        const int first = QDateTime::fromMSecsSinceEpoch(hour).offsetFromUtc();
        const int last = QDateTime::fromMSecsSinceEpoch(hour + kHourMs - 1000).offsetFromUtc();
        known = offsets_.insert(hour, first == last ? std::optional<int>(first) : std::nullopt);
    }
    if (known->has_value())
        return QDateTime::fromMSecsSinceEpoch(second, Qt::OffsetFromUTC, **known);
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(second);
    return local.toOffsetFromUtc(local.offsetFromUtc());
}

qint64 TimeValues::read(const QVariant& value) {
    if (value.isNull() || value.typeId() == QMetaType::QDateTime)
        return msOf(value);
    const QString text = value.toString();
    static const QString kForm = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    bool minuteRead = false;
    bool secondRead = false;
    const int minute = text.size() == kForm.size() ? QStringView(text).mid(14, 2).toInt(&minuteRead) : -1;
    const int second = text.size() == kForm.size() ? QStringView(text).mid(17, 2).toInt(&secondRead) : -1;
    if (!minuteRead || !secondRead || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        text[13] != QLatin1Char(':') || text[16] != QLatin1Char(':'))
        return msOf(value);
    const QString hour = text.left(13);
    auto known = hours_.constFind(hour);
    if (known == hours_.constEnd()) {
        if (hours_.size() >= kKept)
            hours_.clear();
        // Regular: the hour's last second is 3,599 s after its first, at the same offset.
        const QDateTime first = QDateTime::fromString(hour + QStringLiteral(":00:00"), kForm);
        const QDateTime last = QDateTime::fromString(hour + QStringLiteral(":59:59"), kForm);
        const bool regular = first.isValid() && last.isValid() && first.offsetFromUtc() == last.offsetFromUtc() &&
                             last.toMSecsSinceEpoch() - first.toMSecsSinceEpoch() == 3599 * 1000;
        known = hours_.insert(hour, regular ? first.toMSecsSinceEpoch() : -1);
    }
    if (*known < 0)
        return msOf(value);
    return *known + (qint64(minute) * 60 + second) * 1000;
}

void bindTime(db::Command& command, const QString& name, qint64 ms) {
    command.appendParameter(name, db::ParamType::DateTime, db::ParamDirection::Input, 0,
                            QDateTime::fromMSecsSinceEpoch(wholeSecondsMs(ms)));
}

void bindTime(db::Command& command, const QString& name, qint64 ms, TimeValues& times) {
    command.appendParameter(name, db::ParamType::DateTime, db::ParamDirection::Input, 0, times.at(ms));
}

qint64 msOf(const QVariant& value) {
    if (value.isNull())
        return 0;
    const QDateTime at = value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime()
                             : QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? wholeSecondsMs(at.toMSecsSinceEpoch()) : 0;
}

void journal(db::Connection& db, const QString& event, const QString& address, qint64 raisedMs, qint64 atMs,
             const QString& by, const QString& comment) {
    TimeValues times;
    journal(db, times, event, address, raisedMs, atMs, by, comment);
}

void journal(db::Connection& db, TimeValues& times, const QString& event, const QString& address, qint64 raisedMs,
             qint64 atMs, const QString& by, const QString& comment) {
    const bool raised = raisedMs != 0;
    db::Command insert(db, QStringLiteral("Insert Into AlarmJournal (EventTime, Event, Address, RaisedAt, "
                                          "OperatorName, Comment) Values (?, ?, ?, %1, ?, ?)")
                               .arg(raised ? QStringLiteral("?") : QStringLiteral("Null")));
    bindTime(insert, QStringLiteral("@EventTime"), atMs, times);
    bindText(insert, QStringLiteral("@Event"), event);
    bindText(insert, QStringLiteral("@Address"), address);
    if (raised)
        bindTime(insert, QStringLiteral("@RaisedAt"), raisedMs, times);
    bindText(insert, QStringLiteral("@OperatorName"), by);
    bindText(insert, QStringLiteral("@Comment"), comment);
    insert.execute();
}

}  // namespace alarms

using alarms::bindText;
using alarms::bindTime;
using alarms::msOf;

std::vector<AlarmAcknowledgement> recordAcknowledgements(db::Connection& db, const std::vector<AlarmRaised>& alarms,
                                                         const QString& by, const QString& comment, qint64 nowMs) {
    std::vector<AlarmAcknowledgement> recorded;
    db::Transaction transaction(db);
    for (const AlarmRaised& alarm : alarms) {
        db::Command update(db, QStringLiteral("Update AlarmStates Set AcknowledgedAt = ?, AcknowledgedBy = ? "
                                              "Where Address = ? And RaisedAt = ? And AcknowledgedAt Is Null"));
        bindTime(update, QStringLiteral("@AcknowledgedAt"), nowMs);
        bindText(update, QStringLiteral("@AcknowledgedBy"), by);
        bindText(update, QStringLiteral("@Address"), alarm.address);
        bindTime(update, QStringLiteral("@RaisedAt"), alarm.raisedMs);
        if (update.execute() <= 0)
            continue;
        alarms::journal(db, QStringLiteral("acknowledged"), alarm.address, alarm.raisedMs, nowMs, by, comment);
        recorded.push_back({alarm.address, wholeSecondsMs(alarm.raisedMs), by, wholeSecondsMs(nowMs)});
    }
    transaction.commit();
    return recorded;
}

AlarmShelving recordShelving(db::Connection& db, const QString& address, int minutes, const QString& by, qint64 nowMs) {
    const qint64 untilMs = wholeSecondsMs(nowMs + qint64(minutes) * 60 * 1000);
    db::Transaction transaction(db);
    db::Command over(db, QStringLiteral("Delete From ShelvedPoints Where Address = ?"));
    bindText(over, QStringLiteral("@Address"), address);
    over.execute();
    db::Command insert(db, QStringLiteral("Insert Into ShelvedPoints (Address, ShelvedAt, ShelvedUntil, ShelvedBy) "
                                          "Values (?, ?, ?, ?)"));
    bindText(insert, QStringLiteral("@Address"), address);
    bindTime(insert, QStringLiteral("@ShelvedAt"), nowMs);
    bindTime(insert, QStringLiteral("@ShelvedUntil"), untilMs);
    bindText(insert, QStringLiteral("@ShelvedBy"), by);
    insert.execute();
    alarms::journal(db, QStringLiteral("shelved"), address, 0, nowMs, by, QStringLiteral("for %1 min").arg(minutes));
    transaction.commit();
    return {address, untilMs, by};
}

bool recordShelvingOver(db::Connection& db, const QString& address, qint64 nowMs) {
    db::Transaction transaction(db);
    db::Command over(db, QStringLiteral("Delete From ShelvedPoints Where Address = ?"));
    bindText(over, QStringLiteral("@Address"), address);
    const bool ended = over.execute() > 0;
    if (ended)
        alarms::journal(db, QStringLiteral("unshelved"), address, 0, nowMs);
    transaction.commit();
    return ended;
}

std::vector<AlarmAcknowledgement> readAcknowledgements(db::Connection& db) {
    std::vector<AlarmAcknowledgement> found;
    for (db::Recordset rs = db.query(QStringLiteral("Select Address, RaisedAt, AcknowledgedAt, AcknowledgedBy From "
                                                    "AlarmStates Where AcknowledgedAt Is Not Null"));
         !rs.eof(); rs.moveNext())
        found.push_back({fields::text(rs, QStringLiteral("Address")), msOf(rs.field(QStringLiteral("RaisedAt"))),
                         fields::text(rs, QStringLiteral("AcknowledgedBy")),
                         msOf(rs.field(QStringLiteral("AcknowledgedAt")))});
    return found;
}

std::vector<AlarmShelving> readShelvings(db::Connection& db, qint64 nowMs) {
    std::vector<AlarmShelving> found;
    db::Command read(db, QStringLiteral("Select Address, ShelvedUntil, ShelvedBy From ShelvedPoints Where "
                                        "ShelvedUntil > ?"));
    bindTime(read, QStringLiteral("@Now"), nowMs);
    for (db::Recordset rs = read.open(); !rs.eof(); rs.moveNext())
        found.push_back({fields::text(rs, QStringLiteral("Address")), msOf(rs.field(QStringLiteral("ShelvedUntil"))),
                         fields::text(rs, QStringLiteral("ShelvedBy"))});
    return found;
}

}  // namespace so
