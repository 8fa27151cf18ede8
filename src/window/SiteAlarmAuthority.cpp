#include "window/SiteAlarmAuthority.h"

#include "base/RecordFields.h"

#include <statusobject/Db.h>

#include <QDateTime>

namespace so {
namespace {

const QString kRaised = QStringLiteral("raised");
const QString kCleared = QStringLiteral("cleared");
const QString kAcknowledged = QStringLiteral("acknowledged");
const QString kShelved = QStringLiteral("shelved");

QDateTime when(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(wholeSecondsMs(ms)); }

qint64 msOf(const QVariant& value) {
    if (value.isNull())
        return 0;
    const QDateTime at = value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime()
                             : QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? wholeSecondsMs(at.toMSecsSinceEpoch()) : 0;
}

void bindText(db::Command& command, const QString& name, const QString& text) {
    // Empty text is bound as empty, never as Null.
    command.appendParameter(name, db::ParamType::NVarChar, db::ParamDirection::Input, int(text.size()),
                            text.isNull() ? QStringLiteral("") : text);
}

void bindTime(db::Command& command, const QString& name, qint64 ms) {
    command.appendParameter(name, db::ParamType::DateTime, db::ParamDirection::Input, 0, when(ms));
}

}  // namespace

QString SiteAlarmAuthority::operatorName() {
    db::Command command(db_, QStringLiteral("Select LoginName From Operators Where OperatorID = ?"));
    const qint32 id = operatorId_->load();
    command.appendParameter(QStringLiteral("@OperatorID"), db::ParamType::Integer, db::ParamDirection::Input, 0, id);
    db::Recordset rs = command.open();
    const QString name =
        rs.eof() ? QStringLiteral("operator %1").arg(id) : fields::text(rs, QStringLiteral("LoginName"));
    rs.close();
    return name;
}

void SiteAlarmAuthority::journal(const QString& event, const QString& address, qint64 raisedMs, qint64 atMs,
                                 const QString& comment) {
    // A step of no alarm occurrence (shelving a point) has no raised time: Null.
    const bool raised = raisedMs != 0;
    db::Command insert(db_, QStringLiteral("Insert Into AlarmJournal (EventTime, Event, Address, RaisedAt, "
                                           "OperatorName, Comment) Values (?, ?, ?, %1, ?, ?)")
                                .arg(raised ? QStringLiteral("?") : QStringLiteral("Null")));
    bindTime(insert, QStringLiteral("@EventTime"), atMs);
    bindText(insert, QStringLiteral("@Event"), event);
    bindText(insert, QStringLiteral("@Address"), address);
    if (raised)
        bindTime(insert, QStringLiteral("@RaisedAt"), raisedMs);
    bindText(insert, QStringLiteral("@OperatorName"),
             event == kAcknowledged || event == kShelved ? operatorName() : QString());
    bindText(insert, QStringLiteral("@Comment"), comment);
    insert.execute();
}

QHash<QString, SiteAlarmAuthority::Known> SiteAlarmAuthority::known(const std::vector<AlarmOccurrence>& alarms) {
    // A few alarms are looked up one by one; a load's thousands in one read of every state.
    QHash<QString, Known> found;
    const QString columns = QStringLiteral(
        "Select Address, RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy From "
        "AlarmStates");
    const auto read = [&](db::Recordset rs) {
        for (; !rs.eof(); rs.moveNext())
            found.insert(
                fields::text(rs, QStringLiteral("Address")),
                {msOf(rs.field(QStringLiteral("RaisedAt"))), !rs.isNull(QStringLiteral("ClearedAt")),
                 msOf(rs.field(QStringLiteral("AcknowledgedAt"))), fields::text(rs, QStringLiteral("AcknowledgedBy"))});
    };
    if (alarms.size() > kLookedUpOneByOne) {
        read(db_.query(columns));
        return found;
    }
    for (const AlarmOccurrence& alarm : alarms) {
        db::Command one(db_, columns + QStringLiteral(" Where Address = ?"));
        bindText(one, QStringLiteral("@Address"), alarm.address);
        read(one.open());
    }
    return found;
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::raised(std::vector<AlarmOccurrence>& alarms, qint64 nowMs) {
    std::vector<AlarmAcknowledgement> acknowledged;
    if (alarms.empty())
        return acknowledged;
    const QHash<QString, Known> states = known(alarms);
    db::Transaction transaction(db_);
    for (AlarmOccurrence& alarm : alarms) {
        const auto state = states.constFind(alarm.address);
        if (state != states.constEnd() && !state->cleared) {
            // Raised before (at another desk, or at this one before a restart): its time stands.
            alarm.raisedMs = state->raisedMs;
            if (state->acknowledgedMs != 0)
                acknowledged.push_back({alarm.address, alarm.raisedMs, state->acknowledgedBy, state->acknowledgedMs});
            continue;
        }
        alarm.raisedMs = wholeSecondsMs(alarm.raisedMs);
        if (state != states.constEnd()) {
            // The point's last occurrence cleared: this one replaces it.
            db::Command over(db_, QStringLiteral("Delete From AlarmStates Where Address = ?"));
            bindText(over, QStringLiteral("@Address"), alarm.address);
            over.execute();
        }
        db::Command insert(db_, QStringLiteral("Insert Into AlarmStates (Address, RaisedAt) Select ?, ? Where "
                                               "Not Exists (Select 1 From AlarmStates Where Address = ?)"));
        bindText(insert, QStringLiteral("@Address"), alarm.address);
        bindTime(insert, QStringLiteral("@RaisedAt"), alarm.raisedMs);
        bindText(insert, QStringLiteral("@Address2"), alarm.address);
        if (insert.execute() > 0) {
            journal(kRaised, alarm.address, alarm.raisedMs, nowMs);
            continue;
        }
        // Another desk raised it since the states were read: its time stands.
        const QHash<QString, Known> now = known({alarm});
        if (now.contains(alarm.address))
            alarm.raisedMs = now.value(alarm.address).raisedMs;
    }
    transaction.commit();
    return acknowledged;
}

void SiteAlarmAuthority::cleared(const std::vector<AlarmOccurrence>& alarms, qint64 nowMs) {
    if (alarms.empty())
        return;
    db::Transaction transaction(db_);
    for (const AlarmOccurrence& alarm : alarms) {
        db::Command update(db_, QStringLiteral("Update AlarmStates Set ClearedAt = ? Where Address = ? And "
                                               "RaisedAt = ? And ClearedAt Is Null"));
        bindTime(update, QStringLiteral("@ClearedAt"), nowMs);
        bindText(update, QStringLiteral("@Address"), alarm.address);
        bindTime(update, QStringLiteral("@RaisedAt"), alarm.raisedMs);
        if (update.execute() > 0)
            journal(kCleared, alarm.address, alarm.raisedMs, nowMs);
    }
    transaction.commit();
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::acknowledge(const std::vector<AlarmOccurrence>& alarms,
                                                                  const QString& comment, qint64 nowMs) {
    std::vector<AlarmAcknowledgement> recorded;
    const QString by = operatorName();
    db::Transaction transaction(db_);
    for (const AlarmOccurrence& alarm : alarms) {
        db::Command update(db_, QStringLiteral("Update AlarmStates Set AcknowledgedAt = ?, AcknowledgedBy = ? "
                                               "Where Address = ? And RaisedAt = ? And AcknowledgedAt Is Null"));
        bindTime(update, QStringLiteral("@AcknowledgedAt"), nowMs);
        bindText(update, QStringLiteral("@AcknowledgedBy"), by);
        bindText(update, QStringLiteral("@Address"), alarm.address);
        bindTime(update, QStringLiteral("@RaisedAt"), alarm.raisedMs);
        if (update.execute() <= 0)
            continue;
        journal(kAcknowledged, alarm.address, alarm.raisedMs, nowMs, comment);
        recorded.push_back({alarm.address, wholeSecondsMs(alarm.raisedMs), by, wholeSecondsMs(nowMs)});
    }
    transaction.commit();
    return recorded;
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::news() {
    std::vector<AlarmAcknowledgement> found;
    if (lastJournalId_ < 0) {
        db::Recordset rs = db_.query(QStringLiteral("Select Max(JournalID) As Last From AlarmJournal"));
        lastJournalId_ = rs.eof() || rs.isNull(QStringLiteral("Last")) ? 0 : fields::number(rs, QStringLiteral("Last"));
        rs.close();
        return found;  // what was acknowledged before, a load reads through raised()
    }
    db::Command read(db_, QStringLiteral("Select JournalID, Address, RaisedAt, EventTime, OperatorName From "
                                         "AlarmJournal Where JournalID > ? And Event = ? Order By JournalID"));
    read.appendParameter(QStringLiteral("@JournalID"), db::ParamType::Integer, db::ParamDirection::Input, 0,
                         lastJournalId_);
    bindText(read, QStringLiteral("@Event"), kAcknowledged);
    for (db::Recordset rs = read.open(); !rs.eof(); rs.moveNext()) {
        lastJournalId_ = fields::number(rs, QStringLiteral("JournalID"));
        found.push_back({fields::text(rs, QStringLiteral("Address")), msOf(rs.field(QStringLiteral("RaisedAt"))),
                         fields::text(rs, QStringLiteral("OperatorName")),
                         msOf(rs.field(QStringLiteral("EventTime")))});
    }
    return found;
}

void SiteAlarmAuthority::shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) {
    journal(shelved ? kShelved : QStringLiteral("unshelved"), address, 0, nowMs,
            shelved ? QStringLiteral("for %1 min").arg(minutes) : QString());
}

void SiteAlarmAuthority::purgeJournal(int days, qint64 nowMs) {
    db::Command purge(db_, QStringLiteral("Delete From AlarmJournal Where EventTime < ?"));
    bindTime(purge, QStringLiteral("@Before"), nowMs - qint64(days) * 24 * 3600 * 1000);
    purge.execute();
}

}  // namespace so
