// What the processes of a multi-desk site say to each other over the broker, and how it is
// written: one topic tree per site and a compact, versioned payload per topic.
//
//   site/<site>/state            field -> desks   a batch of state reports
//   site/<site>/notice/<login>   desk -> desks    a notice of one workstation to the others (SendSyncData)
//   site/<site>/command/<login>  desk -> field    a device command, or a desk's request to resynchronise
//   site/<site>/event            field -> desks   the field's announcements (run done, digest)
//   site/<site>/answer/<login>   field -> desk    the field's answer to one of the desk's commands
//   site/<site>/field            field -> desks   retained: the field's session online, or offline (its last will)
//   site/<site>/resync/<login>   field -> desk    the answer to the desk's resync request: the newest report per point
//   site/<site>/alarm            field -> desks   the alarm steps the field recorded (acknowledged, shelved)
//   site/<site>/past/<login>     field -> desk    the answer to the desk's request for a past moment, in parts
//
// A desk publishes only under its own broker login (the broker's ACL binds <login> to the login
// that publishes), so the last level of a notice or command topic says who sent it; it reads the
// answers and resync answers of its own login only, so a desk asking for a resync costs the
// others nothing.
//
// Every payload is one CBOR array (RFC 8949) whose first item is the format version (kWireVersion).
// A decoder reads the whole payload before it returns anything: a payload of another version, of
// the wrong shape or with a value of the wrong type is refused as a whole with the reason, so
// nothing half-read ever reaches a workstation. Plain code, no broker: tested on its own.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

namespace sv::wire {

inline constexpr qint64 kWireVersion = 3;

enum class Topic { State, Notice, Command, Event, Answer, Field, Resync, Alarm, Past };

/// "site/<site>/state" ...
QString topicName(const QString& site, Topic topic);
/// The topic of a full topic name of the site; nullopt for any other name.
std::optional<Topic> topicOf(const QString& site, const QString& name);

/// "site/<site>/command/<login>": a topic of one login (notice, command, answer, resync).
QString loginTopic(const QString& site, Topic topic, const QString& login);
/// "site/<site>/command/+": the topic of every login, to subscribe to.
QString everyLoginTopic(const QString& site, Topic topic);
struct LoginTopic {
    Topic topic;
    QString login;
};
/// The topic and login of a login's topic name of the site; nullopt for any other name (also for
/// an empty login or one with a level separator or wildcard).
std::optional<LoginTopic> loginTopicOf(const QString& site, const QString& name);

/// One state report as the host hands it to Status::StateChange. seq numbers the field's published
/// reports from 1 within one session of the field; atMs is the field's time of the report
/// (milliseconds since 1970, UTC; 0 when unknown), what every desk shows as the point's last update
/// and an alarm's "since", however late the report reaches it.
struct StateReport {
    qint64 seq = 0;
    QString deviceType;
    QString address;
    quint8 state = 0;
    QString value;
    qint64 atMs = 0;
};

/// [3, session, firstSeq, sentMs, [[type, address, state, value, atMs], ...]]: the reports are numbered
/// firstSeq, firstSeq + 1, ... in order (a report's own seq is not sent; decoding fills it in);
/// sentMs is the field's clock at publication (milliseconds since 1970, UTC), for latency figures
/// only: the session is a random number, so the field's clock never decides what is new.
struct StateBatch {
    qint64 session = 0;
    qint64 firstSeq = 1;
    qint64 sentMs = 0;
    QVector<StateReport> reports;
};

/// [2, sender, topic, action, data, recipientOrNull]; data is text, a whole number or null.
struct Notice {
    QString sender;
    QString topic;
    qint32 action = 0;
    QVariant data;
};

/// One alarm occurrence: its point and the time it was raised (milliseconds since 1970, UTC).
struct AlarmRef {
    QString address;
    qint64 raisedMs = 0;
};

/// [2, sender, session, number, sentMs, operator, kind, a, b, c, token]: kind says what a, b and c
/// are. sender is the desk (its broker login); session a random number of the desk's run and
/// number counts the run's commands from 1, so the field refuses a command it has seen; sentMs is
/// the desk's clock when sent; operator the login name of the operator at the desk; token (bytes)
/// the operator's session the field gave at sign-in (empty for a resync or a sign-in).
struct Command {
    enum class Kind {
        ApiCall,          // classic controller: a = controller, b = command text, c = point
        AccessFunction,   // newer line: a = device type, b = device id, c = function code
        ControlFunction,  // newer line: a = device type, b = device id, c = function code
        ClearCodeTamper,  // newer line: a = reader id
        Resync,           // a desk (re)connected: a = its request number
        SignIn,           // operator signs in at the desk: b = the password (answered with a token)
        SignOut,          // the session of token ends (sign out, lock, switch of operator)
        Acknowledge,      // the operator acknowledges alarms: b = [comment, [[address, raisedMs], ...]]
        Shelve,           // the operator shelves a point: a = minutes, b = the point's address
        PastStretch,      // the reports around a moment to step through: a = the moment (0: the span only),
                          // b = the time of the board the desk holds (0: none); both ms since 1970
    };
    /// Alarms an acknowledgement names at most, and the longest comment it carries.
    static constexpr qsizetype kMaxAlarms = 1000;
    static constexpr qsizetype kMaxComment = 255;
    QString sender;
    qint64 session = 0;
    qint64 number = 0;
    qint64 sentMs = 0;
    QString operatorLogin;
    Kind kind = Kind::Resync;
    qint64 a = 0;
    QString text;  // b of ApiCall, SignIn and Shelve; the comment of Acknowledge
    qint64 b = 0;
    qint64 c = 0;
    QByteArray token;
    QVector<AlarmRef> alarms;  // of Acknowledge
};

/// [2, [[kind, address, raisedMs, operator, atMs, untilMs], ...]]: steps of the site's alarms the
/// field recorded, for every desk to show: an acknowledgement (by operator at atMs), or a point
/// shelved until untilMs (raisedMs 0). Times are milliseconds since 1970, UTC.
struct AlarmStep {
    enum class Kind { Acknowledged, Shelved };
    Kind kind = Kind::Acknowledged;
    QString address;
    qint64 raisedMs = 0;
    QString by;
    qint64 atMs = 0;
    qint64 untilMs = 0;
};
struct AlarmNews {
    QVector<AlarmStep> steps;
};

/// [2, kind, session, seq, requesterOrNull, number]
struct Event {
    enum class Kind {
        Done,     // the field's bounded run reported its last report, seq, and wrote it
        Online,   // retained on the field topic: the session is up; seq its last report so far
        Offline,  // retained on the field topic: the session ended (its last will, or an orderly exit)
        Digest,   // number: the digest of the newest report per point up to seq (LatestReports)
    };
    Kind kind = Kind::Done;
    qint64 session = 0;
    qint64 seq = 0;
    QString requester;
    qint64 number = 0;
};

/// [3, session, requester, number, seq, last, [[seq, type, address, state, value, atMs], ...]]: a part of
/// the answer to the resync request number of requester, sent once every state reported up to seq
/// is written to the site database; the last part has last set.
struct Snapshot {
    qint64 session = 0;
    QString requester;
    qint64 number = 0;
    qint64 seq = 0;
    bool last = true;
    QVector<StateReport> reports;
};

/// [2, number, accepted, reason, token]: the field's answer to the desk's command `number` (of its
/// current session); reason says why a refused command was refused; token (bytes) the session an
/// accepted sign-in opened, empty otherwise.
struct Answer {
    qint64 number = 0;
    bool accepted = false;
    QString reason;
    QByteArray token;
};

/// [3, number, part, parts, bytes]: part (from 0) of parts of the field's answer to the desk's
/// request `number` for a past moment (Command::Kind::PastStretch), sent before the
/// command's Answer.
/// The bytes of the parts in order make the answer, which the field's history writes and reads
/// (compressed); a part holds at most kMaxBytes, an answer at most kMaxParts parts.
struct PastPart {
    static constexpr qsizetype kMaxBytes = 192 * 1024;  // with its envelope within a transport's payload
    static constexpr qint64 kMaxParts = 64;
    qint64 number = 0;
    qint64 part = 0;
    qint64 parts = 1;
    QByteArray bytes;
};

/// A report time as the site database writes it, "2026-12-08 03:04:05" in local time; empty for 0.
QString reportTimeText(qint64 ms);
/// The time of such a text; 0 for a text that is none.
qint64 reportTimeMs(const QString& text);

QByteArray encode(const StateBatch& batch);
QByteArray encode(const Notice& notice);
QByteArray encode(const Command& command);
QByteArray encode(const Event& event);
QByteArray encode(const Snapshot& snapshot);
QByteArray encode(const Answer& answer);
QByteArray encode(const AlarmNews& news);
QByteArray encode(const PastPart& part);

/// Each returns the decoded message, or nullopt with why (for the log) in error.
std::optional<StateBatch> decodeStates(const QByteArray& payload, QString& error);
std::optional<Notice> decodeNotice(const QByteArray& payload, QString& error);
std::optional<Command> decodeCommand(const QByteArray& payload, QString& error);
std::optional<Event> decodeEvent(const QByteArray& payload, QString& error);
std::optional<Snapshot> decodeSnapshot(const QByteArray& payload, QString& error);
std::optional<Answer> decodeAnswer(const QByteArray& payload, QString& error);
std::optional<AlarmNews> decodeAlarmNews(const QByteArray& payload, QString& error);
std::optional<PastPart> decodePastPart(const QByteArray& payload, QString& error);

}  // namespace sv::wire
