// What the processes of a multi-desk site say to each other over the broker, and how it is
// written: one topic tree per site and a compact, versioned payload per topic.
//
//   site/<site>/state    field -> desks   a batch of state reports
//   site/<site>/notice   desk -> desks    a notice of one workstation to the others (SendSyncData)
//   site/<site>/command  desk -> field    a device command, or a desk's request to resynchronise
//   site/<site>/event    field -> desks   the field's announcements (run done, digest)
//   site/<site>/field    field -> desks   retained: the field's session online, or offline (its last will)
//   site/<site>/resync   field -> desks   the answer to a resync request: the newest report per point
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

inline constexpr qint64 kWireVersion = 1;

enum class Topic { State, Notice, Command, Event, Field, Resync };

/// "site/<site>/state" ...
QString topicName(const QString& site, Topic topic);
/// The topic of a full topic name of the site; nullopt for any other name.
std::optional<Topic> topicOf(const QString& site, const QString& name);

/// One state report as the host hands it to Status::StateChange. seq numbers the field's published
/// reports from 1 within one session of the field.
struct StateReport {
    qint64 seq = 0;
    QString deviceType;
    QString address;
    quint8 state = 0;
    QString value;
};

/// [1, session, firstSeq, sentMs, [[type, address, state, value], ...]]: the reports are numbered
/// firstSeq, firstSeq + 1, ... in order (a report's own seq is not sent; decoding fills it in);
/// sentMs is the field's clock at publication (milliseconds since 1970, UTC), for latency figures
/// only: the session is a random number, so the field's clock never decides what is new.
struct StateBatch {
    qint64 session = 0;
    qint64 firstSeq = 1;
    qint64 sentMs = 0;
    QVector<StateReport> reports;
};

/// [1, sender, topic, action, data, recipientOrNull]; data is text, a whole number or null.
struct Notice {
    QString sender;
    QString topic;
    qint32 action = 0;
    QVariant data;
};

/// [1, sender, kind, a, b, c]: kind says what a, b and c are.
struct Command {
    enum class Kind {
        ApiCall,         // classic controller: a = controller, b = command text, c = point
        AccessFunction,  // newer line: a = device type, b = device id, c = function code
        ControlFunction, // newer line: a = device type, b = device id, c = function code
        ClearCodeTamper, // newer line: a = reader id
        Resync,          // a desk (re)connected: a = its request number
    };
    QString sender;
    Kind kind = Kind::Resync;
    qint64 a = 0;
    QString text;  // b of ApiCall
    qint64 b = 0;
    qint64 c = 0;
};

/// [1, kind, session, seq, requesterOrNull, number]
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

/// [1, session, requester, number, seq, last, [[seq, type, address, state, value], ...]]: a part of
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

QByteArray encode(const StateBatch& batch);
QByteArray encode(const Notice& notice);
QByteArray encode(const Command& command);
QByteArray encode(const Event& event);
QByteArray encode(const Snapshot& snapshot);

/// Each returns the decoded message, or nullopt with why (for the log) in error.
std::optional<StateBatch> decodeStates(const QByteArray& payload, QString& error);
std::optional<Notice> decodeNotice(const QByteArray& payload, QString& error);
std::optional<Command> decodeCommand(const QByteArray& payload, QString& error);
std::optional<Event> decodeEvent(const QByteArray& payload, QString& error);
std::optional<Snapshot> decodeSnapshot(const QByteArray& payload, QString& error);

}  // namespace sv::wire
