#include "window/SiteAlarmAuthority.h"

#include "window/AlarmRecords.h"

#include "base/RecordFields.h"

#include <statusobject/Db.h>

#include <QDateTime>

namespace so {
namespace {

const QString kRaised = QStringLiteral("raised");
const QString kCleared = QStringLiteral("cleared");
const QString kAcknowledged = QStringLiteral("acknowledged");
const QString kShelved = QStringLiteral("shelved");

}  // namespace

using alarms::bindText;
using alarms::bindTime;
using alarms::msOf;

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

QHash<QString, SiteAlarmAuthority::Known> SiteAlarmAuthority::known(const std::vector<AlarmOccurrence>& alarms) {
    // A few alarms are looked up one by one; a load's thousands in one read of every state.
    QHash<QString, Known> found;
    alarms::TimeValues times;
    const QString columns = QStringLiteral(
        "Select Address, RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy From "
        "AlarmStates");
    const auto read = [&](db::Recordset rs) {
        for (; !rs.eof(); rs.moveNext())
            found.insert(fields::text(rs, QStringLiteral("Address")),
                         {times.read(rs.field(QStringLiteral("RaisedAt"))), !rs.isNull(QStringLiteral("ClearedAt")),
                          times.read(rs.field(QStringLiteral("AcknowledgedAt"))),
                          fields::text(rs, QStringLiteral("AcknowledgedBy"))});
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

size_t SiteAlarmAuthority::storedStates() {
    db::Recordset rs = db_.query(QStringLiteral("Select Count(*) As Stored From AlarmStates"));
    const size_t stored = rs.eof() ? 0 : size_t(fields::number(rs, QStringLiteral("Stored")));
    rs.close();
    return stored;
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::raised(std::vector<AlarmOccurrence>& alarms, qint64 nowMs) {
    std::vector<AlarmAcknowledgement> acknowledged;
    if (alarms.empty())
        return acknowledged;
    // Raised before (at another desk, or at this one before a restart): its time stands.
    const auto adopt = [&](AlarmOccurrence& alarm, const Known& state) {
        alarm.raisedMs = state.raisedMs;
        if (state.acknowledgedMs != 0)
            acknowledged.push_back({alarm.address, alarm.raisedMs, state.acknowledgedBy, state.acknowledgedMs});
    };
    // A load's thousands are read in one pass over the states; a tick's alarms are written straight
    // away, and a point's state is read only when a record of it stands. A storm's tick may raise
    // thousands too, mostly points raised again over their cleared rows: reading every state for
    // them would cost more than it spares, so the one pass is taken only when the alarms are a
    // good part of the states stored.
    const bool readAll = alarms.size() > kLookedUpOneByOne && alarms.size() * 2 >= storedStates();
    const QHash<QString, Known> states = readAll ? known(alarms) : QHash<QString, Known>();
    alarms::TimeValues times;
    db::Transaction transaction(db_);
    for (AlarmOccurrence& alarm : alarms) {
        const auto state = states.constFind(alarm.address);
        if (state != states.constEnd() && !state->cleared) {
            adopt(alarm, *state);
            continue;
        }
        alarm.raisedMs = wholeSecondsMs(alarm.raisedMs);
        const Stored stored = store(alarm, times, readAll ? std::optional(state != states.constEnd()) : std::nullopt);
        if (stored == Stored::Written) {
            alarms::journal(db_, times, kRaised, alarm.address, alarm.raisedMs, nowMs);
            continue;
        }
        // Another desk raised it since the states were read, or before.
        const QHash<QString, Known> now = known({alarm});
        if (now.contains(alarm.address))
            adopt(alarm, now.value(alarm.address));
    }
    transaction.commit();
    return acknowledged;
}

SiteAlarmAuthority::Stored SiteAlarmAuthority::store(const AlarmOccurrence& alarm, alarms::TimeValues& times,
                                                     std::optional<bool> cleared) {
    // The point's last occurrence cleared: this one takes its row, as a new row would read. Tried
    // first, when nothing was read: in a storm a point is mostly raised again.
    if (cleared.value_or(true)) {
        db::Command renew(db_, QStringLiteral("Update AlarmStates Set RaisedAt = ?, ClearedAt = Null, "
                                              "AcknowledgedAt = Null, AcknowledgedBy = Null Where Address = ? "
                                              "And ClearedAt Is Not Null"));
        bindTime(renew, QStringLiteral("@RaisedAt"), alarm.raisedMs, times);
        bindText(renew, QStringLiteral("@Address"), alarm.address);
        if (renew.execute() > 0)
            return Stored::Written;
        if (cleared.has_value())
            return Stored::Standing;
    }
    db::Command insert(db_, QStringLiteral("Insert Into AlarmStates (Address, RaisedAt) Select ?, ? Where "
                                           "Not Exists (Select 1 From AlarmStates Where Address = ?)"));
    bindText(insert, QStringLiteral("@Address"), alarm.address);
    bindTime(insert, QStringLiteral("@RaisedAt"), alarm.raisedMs, times);
    bindText(insert, QStringLiteral("@Address2"), alarm.address);
    return insert.execute() > 0 ? Stored::Written : Stored::Standing;
}

void SiteAlarmAuthority::cleared(const std::vector<AlarmOccurrence>& alarms, qint64 nowMs) {
    if (alarms.empty())
        return;
    alarms::TimeValues times;
    db::Transaction transaction(db_);
    for (const AlarmOccurrence& alarm : alarms) {
        db::Command update(db_, QStringLiteral("Update AlarmStates Set ClearedAt = ? Where Address = ? And "
                                               "RaisedAt = ? And ClearedAt Is Null"));
        bindTime(update, QStringLiteral("@ClearedAt"), nowMs, times);
        bindText(update, QStringLiteral("@Address"), alarm.address);
        bindTime(update, QStringLiteral("@RaisedAt"), alarm.raisedMs, times);
        if (update.execute() > 0)
            alarms::journal(db_, times, kCleared, alarm.address, alarm.raisedMs, nowMs);
    }
    transaction.commit();
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::acknowledge(const std::vector<AlarmOccurrence>& alarms,
                                                                  const QString& comment, qint64 nowMs) {
    std::vector<AlarmRaised> raised;
    raised.reserve(alarms.size());
    for (const AlarmOccurrence& alarm : alarms)
        raised.push_back({alarm.address, alarm.raisedMs});
    return recordAcknowledgements(db_, raised, operatorName(), comment, nowMs);
}

std::vector<AlarmAcknowledgement> SiteAlarmAuthority::news() {
    std::vector<AlarmAcknowledgement> found;
    if (lastJournalId_ < 0) {
        db::Recordset rs = db_.query(QStringLiteral("Select Max(JournalID) As Last From AlarmJournal"));
        lastJournalId_ = rs.eof() || rs.isNull(QStringLiteral("Last")) ? 0 : fields::number(rs, QStringLiteral("Last"));
        rs.close();
        return found;  // what was acknowledged before, a load reads through raised()
    }
    // Acknowledgements and shelvings made since, at any desk; a shelving's time is its point's row.
    db::Command read(db_, QStringLiteral("Select j.JournalID, j.Event, j.Address, j.RaisedAt, j.EventTime, "
                                         "j.OperatorName, s.ShelvedUntil From AlarmJournal j Left Join "
                                         "ShelvedPoints s On s.Address = j.Address Where j.JournalID > ? And "
                                         "(j.Event = ? Or j.Event = ?) Order By j.JournalID"));
    read.appendParameter(QStringLiteral("@JournalID"), db::ParamType::Integer, db::ParamDirection::Input, 0,
                         lastJournalId_);
    bindText(read, QStringLiteral("@Event"), kAcknowledged);
    bindText(read, QStringLiteral("@Event2"), kShelved);
    for (db::Recordset rs = read.open(); !rs.eof(); rs.moveNext()) {
        lastJournalId_ = fields::number(rs, QStringLiteral("JournalID"));
        const QString address = fields::text(rs, QStringLiteral("Address"));
        const QString by = fields::text(rs, QStringLiteral("OperatorName"));
        if (fields::text(rs, QStringLiteral("Event")) == kShelved) {
            if (const qint64 until = msOf(rs.field(QStringLiteral("ShelvedUntil"))); until != 0)
                shelved_.push_back({address, until, by});
            continue;
        }
        found.push_back(
            {address, msOf(rs.field(QStringLiteral("RaisedAt"))), by, msOf(rs.field(QStringLiteral("EventTime")))});
    }
    return found;
}

bool SiteAlarmAuthority::shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) {
    if (shelved)
        recordShelving(db_, address, minutes, operatorName(), nowMs);
    else
        recordShelvingOver(db_, address, nowMs);
    return true;
}

std::vector<AlarmShelving> SiteAlarmAuthority::shelvings(qint64 nowMs) {
    if (!shelvingsRead_) {
        shelvingsRead_ = true;
        shelved_ = readShelvings(db_, nowMs);
    }
    return std::exchange(shelved_, {});
}

void SiteAlarmAuthority::purgeJournal(int days, qint64 nowMs) {
    db::Command purge(db_, QStringLiteral("Delete From AlarmJournal Where EventTime < ?"));
    bindTime(purge, QStringLiteral("@Before"), nowMs - qint64(days) * 24 * 3600 * 1000);
    purge.execute();
}

}  // namespace so
