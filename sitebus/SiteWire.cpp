#include "SiteWire.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QCborValue>
#include <QDateTime>

#include <algorithm>
#include <iterator>
#include <limits>

namespace sv::wire {
namespace {

const char* const kTopicNames[] = {"state", "notice", "command", "event", "answer", "field", "resync", "alarm", "past"};
const char* const kCommandKinds[] = {"api",    "access",  "control",     "tamper", "resync",
                                     "signin", "signout", "acknowledge", "shelve", "stretch"};
const char* const kAlarmStepKinds[] = {"acknowledged", "shelved"};
const char* const kEventKinds[] = {"done", "online", "offline", "digest"};

/// Reads one payload; every accessor records the first fault and answers a harmless value, so a
/// decoder reads on and checks ok() once at the end.
class Reader {
public:
    Reader(const QByteArray& payload, qsizetype items) {
        QCborStreamReader stream(payload);
        const QCborValue root = QCborValue::fromCbor(stream);
        if (stream.lastError() != QCborError::NoError)
            fail(QStringLiteral("not CBOR (%1)").arg(stream.lastError().toString()));
        else if (stream.currentOffset() != payload.size())
            fail(QStringLiteral("not CBOR (%1 bytes after the value)").arg(payload.size() - stream.currentOffset()));
        else if (!root.isArray())
            fail(QStringLiteral("not an array"));
        else if (root.toArray().size() != items)
            fail(QStringLiteral("%1 items, %2 expected").arg(root.toArray().size()).arg(items));
        else if (root.toArray().at(0).toInteger(-1) != kWireVersion || !root.toArray().at(0).isInteger())
            fail(QStringLiteral("version %1, %2 expected")
                     .arg(root.toArray().at(0).toDiagnosticNotation())
                     .arg(kWireVersion));
        else
            items_ = root.toArray();
    }

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    void fail(const QString& why) {
        if (error_.isEmpty())
            error_ = why;
    }

    const QCborArray& items() const { return items_; }
    static qint64 integer(const QCborValue& v, qint64 low, qint64 high, const char* what, Reader& r) {
        if (!v.isInteger() || v.toInteger() < low || v.toInteger() > high) {
            r.fail(
                QStringLiteral("%1 is not a whole number from %2 to %3").arg(QLatin1String(what)).arg(low).arg(high));
            return low;
        }
        return v.toInteger();
    }
    static QByteArray bytes(const QCborValue& v, qsizetype most, const char* what, Reader& r) {
        if (!v.isByteArray() || v.toByteArray().size() > most) {
            r.fail(QStringLiteral("%1 is not at most %2 bytes").arg(QLatin1String(what)).arg(most));
            return {};
        }
        return v.toByteArray();
    }
    static QString text(const QCborValue& v, const char* what, Reader& r) {
        if (!v.isString()) {
            r.fail(QStringLiteral("%1 is not a text").arg(QLatin1String(what)));
            return {};
        }
        return v.toString();
    }
    template <size_t N>
    static int name(const QCborValue& v, const char* const (&names)[N], const char* what, Reader& r) {
        const QString t = text(v, what, r);
        for (size_t i = 0; i < N; ++i)
            if (t == QLatin1String(names[i]))
                return int(i);
        r.fail(QStringLiteral("unknown %1 \"%2\"").arg(QLatin1String(what), t.left(40)));
        return 0;
    }

    qint64 integer(qsizetype i, qint64 low, qint64 high, const char* what) {
        return integer(items_.at(i), low, high, what, *this);
    }
    QString text(qsizetype i, const char* what) { return text(items_.at(i), what, *this); }

private:
    QCborArray items_;
    QString error_;
};

constexpr qint64 kMaxInt32 = std::numeric_limits<qint32>::max();
constexpr qint64 kMinInt32 = std::numeric_limits<qint32>::min();
constexpr qint64 kMaxCount = std::numeric_limits<qint64>::max() / 2;

template <class T>
std::optional<T> result(const Reader& r, T value, QString& error) {
    if (!r.ok()) {
        error = r.error();
        return std::nullopt;
    }
    return value;
}

QCborValue nullable(const QString& text) { return text.isEmpty() ? QCborValue(nullptr) : QCborValue(text); }

}  // namespace

QString topicName(const QString& site, Topic topic) {
    return QStringLiteral("site/%1/%2").arg(site, QLatin1String(kTopicNames[int(topic)]));
}

std::optional<Topic> topicOf(const QString& site, const QString& name) {
    for (Topic t : {Topic::State, Topic::Event, Topic::Field, Topic::Alarm})
        if (name == topicName(site, t))
            return t;
    return std::nullopt;
}

QString loginTopic(const QString& site, Topic topic, const QString& login) {
    return topicName(site, topic) + QLatin1Char('/') + login;
}

QString everyLoginTopic(const QString& site, Topic topic) { return loginTopic(site, topic, QStringLiteral("+")); }

std::optional<LoginTopic> loginTopicOf(const QString& site, const QString& name) {
    for (Topic t : {Topic::Notice, Topic::Command, Topic::Answer, Topic::Resync, Topic::Past}) {
        const QString prefix = topicName(site, t) + QLatin1Char('/');
        if (!name.startsWith(prefix))
            continue;
        const QString login = name.mid(prefix.size());
        if (login.isEmpty() || login.contains(QLatin1Char('/')) || login.contains(QLatin1Char('+')) ||
            login.contains(QLatin1Char('#')))
            return std::nullopt;
        return LoginTopic{t, login};
    }
    return std::nullopt;
}

// ---- state

namespace {

const QString kReportTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

/// [type, address, state, value, atMs] numbered seq, or with seq < 0 [seq, type, address, state,
/// value, atMs].
StateReport readReport(const QCborValue& value, qsizetype i, qint64 seq, Reader& r) {
    const QCborArray item = value.toArray();
    const qsizetype at = seq < 0 ? 1 : 0;
    StateReport report;
    if (!value.isArray() || item.size() != 5 + at) {
        r.fail(QStringLiteral("report %1 is not [%2type, address, state, value, time]")
                   .arg(i + 1)
                   .arg(at != 0 ? QStringLiteral("seq, ") : QString()));
        return report;
    }
    report.seq = seq < 0 ? Reader::integer(item.at(0), 1, kMaxCount, "report number", r) : seq;
    report.deviceType = Reader::text(item.at(at), "device type", r);
    report.address = Reader::text(item.at(at + 1), "address", r);
    report.state = quint8(Reader::integer(item.at(at + 2), 0, 255, "state", r));
    report.value = Reader::text(item.at(at + 3), "state value", r);
    report.atMs = Reader::integer(item.at(at + 4), 0, kMaxCount, "report time", r);
    return report;
}

}  // namespace

QString reportTimeText(qint64 ms) {
    return ms == 0 ? QString() : QDateTime::fromMSecsSinceEpoch(ms).toString(kReportTimeFormat);
}

qint64 reportTimeMs(const QString& text) {
    const QDateTime at = QDateTime::fromString(text, kReportTimeFormat);
    return at.isValid() ? std::max<qint64>(0, at.toMSecsSinceEpoch()) : 0;
}

QByteArray encode(const StateBatch& batch) {
    QCborArray reports;
    for (const StateReport& r : batch.reports)
        reports.append(QCborArray{r.deviceType, r.address, r.state, r.value, r.atMs});
    return QCborValue(QCborArray{kWireVersion, batch.session, batch.firstSeq, batch.sentMs, reports}).toCbor();
}

std::optional<StateBatch> decodeStates(const QByteArray& payload, QString& error) {
    Reader r(payload, 5);
    StateBatch batch;
    if (r.ok()) {
        batch.session = r.integer(1, 1, kMaxCount, "session");
        batch.firstSeq = r.integer(2, 1, kMaxCount, "first sequence number");
        batch.sentMs = r.integer(3, 0, kMaxCount, "time sent");
        if (!r.items().at(4).isArray())
            r.fail(QStringLiteral("the reports are not a list"));
        const QCborArray list = r.items().at(4).toArray();
        batch.reports.reserve(list.size());
        for (qsizetype i = 0; i < list.size() && r.ok(); ++i)
            batch.reports.append(readReport(list.at(i), i, batch.firstSeq + i, r));
    }
    return result(r, std::move(batch), error);
}

// ---- notice

QByteArray encode(const Notice& notice) {
    QCborValue data(nullptr);
    if (notice.data.typeId() == QMetaType::Int || notice.data.typeId() == QMetaType::LongLong ||
        notice.data.typeId() == QMetaType::Short || notice.data.typeId() == QMetaType::UInt)
        data = notice.data.toLongLong();
    else if (notice.data.isValid() && !notice.data.isNull())
        data = notice.data.toString();
    return QCborValue(QCborArray{kWireVersion, notice.sender, notice.topic, notice.action, data}).toCbor();
}

std::optional<Notice> decodeNotice(const QByteArray& payload, QString& error) {
    Reader r(payload, 5);
    Notice notice;
    if (r.ok()) {
        notice.sender = r.text(1, "sender");
        notice.topic = r.text(2, "notice topic");
        notice.action = qint32(r.integer(3, kMinInt32, kMaxInt32, "action"));
        const QCborValue data = r.items().at(4);
        if (data.isString())
            notice.data = data.toString();
        else if (data.isInteger())
            notice.data = data.toInteger();
        else if (!data.isNull())
            r.fail(QStringLiteral("the notice's data is neither text, a whole number nor null"));
    }
    return result(r, std::move(notice), error);
}

// ---- command

namespace {

/// Whether b of a command of that kind is a text.
bool textArgument(Command::Kind kind) {
    return kind == Command::Kind::ApiCall || kind == Command::Kind::SignIn || kind == Command::Kind::Shelve;
}

QCborValue alarmsArgument(const Command& command) {
    QCborArray alarms;
    for (const AlarmRef& alarm : command.alarms)
        alarms.append(QCborArray{alarm.address, alarm.raisedMs});
    return QCborArray{command.text, alarms};
}

/// [comment, [[address, raisedMs], ...]] of an acknowledgement, bounded.
void readAlarmsArgument(const QCborValue& value, Command& command, Reader& r) {
    const QCborArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair.at(1).isArray()) {
        r.fail(QStringLiteral("the alarms are not [comment, [[address, raised], ...]]"));
        return;
    }
    command.text = Reader::text(pair.at(0), "comment", r);
    if (command.text.size() > Command::kMaxComment)
        r.fail(QStringLiteral("the comment is longer than %1 characters").arg(Command::kMaxComment));
    const QCborArray list = pair.at(1).toArray();
    if (list.isEmpty() || list.size() > Command::kMaxAlarms)
        r.fail(QStringLiteral("%1 alarms, 1 to %2 expected").arg(list.size()).arg(Command::kMaxAlarms));
    for (qsizetype i = 0; i < list.size() && r.ok(); ++i) {
        const QCborArray item = list.at(i).toArray();
        if (!list.at(i).isArray() || item.size() != 2) {
            r.fail(QStringLiteral("alarm %1 is not [address, raised]").arg(i + 1));
            break;
        }
        command.alarms.append(
            {Reader::text(item.at(0), "alarm address", r), Reader::integer(item.at(1), 1, kMaxCount, "raised", r)});
    }
}

/// A session token is kept short: anything longer is not one the field gave.
constexpr qsizetype kMaxTokenBytes = 64;

}  // namespace

QByteArray encode(const Command& command) {
    const QCborValue b = command.kind == Command::Kind::Acknowledge ? alarmsArgument(command)
                         : textArgument(command.kind)               ? QCborValue(command.text)
                                                                    : QCborValue(command.b);
    return QCborValue(QCborArray{kWireVersion, command.sender, command.session, command.number, command.sentMs,
                                 command.operatorLogin, QLatin1String(kCommandKinds[int(command.kind)]), command.a, b,
                                 command.c, command.token})
        .toCbor();
}

std::optional<Command> decodeCommand(const QByteArray& payload, QString& error) {
    Reader r(payload, 11);
    Command command;
    if (r.ok()) {
        command.sender = r.text(1, "sender");
        command.session = r.integer(2, 0, kMaxCount, "session");
        command.number = r.integer(3, 1, kMaxCount, "command number");
        command.sentMs = r.integer(4, 0, kMaxCount, "time sent");
        command.operatorLogin = r.text(5, "operator");
        command.kind = Command::Kind(Reader::name(r.items().at(6), kCommandKinds, "command", r));
        // A resync's request number and a past moment (ms since 1970) are wider than a device's numbers.
        const bool stretch = command.kind == Command::Kind::PastStretch;
        const bool wide = command.kind == Command::Kind::Resync || stretch;
        command.a = r.integer(7, stretch ? 0 : kMinInt32, wide ? kMaxCount : kMaxInt32, "first argument");
        if (command.kind == Command::Kind::Acknowledge)
            readAlarmsArgument(r.items().at(8), command, r);
        else if (textArgument(command.kind))
            command.text = r.text(8, "command text");
        else
            command.b = r.integer(8, stretch ? 0 : kMinInt32, stretch ? kMaxCount : kMaxInt32, "second argument");
        command.c = r.integer(9, kMinInt32, kMaxInt32, "third argument");
        command.token = Reader::bytes(r.items().at(10), kMaxTokenBytes, "session token", r);
    }
    return result(r, std::move(command), error);
}

// ---- event

QByteArray encode(const Event& event) {
    return QCborValue(QCborArray{kWireVersion, QLatin1String(kEventKinds[int(event.kind)]), event.session, event.seq,
                                 nullable(event.requester), event.number})
        .toCbor();
}

std::optional<Event> decodeEvent(const QByteArray& payload, QString& error) {
    Reader r(payload, 6);
    Event event;
    if (r.ok()) {
        event.kind = Event::Kind(Reader::name(r.items().at(1), kEventKinds, "event", r));
        event.session = r.integer(2, 1, kMaxCount, "session");
        event.seq = r.integer(3, 0, kMaxCount, "sequence number");
        if (!r.items().at(4).isNull())
            event.requester = r.text(4, "requester");
        event.number = r.integer(5, 0, kMaxCount, "number");
    }
    return result(r, std::move(event), error);
}

// ---- resync answer

QByteArray encode(const Snapshot& snapshot) {
    QCborArray reports;
    for (const StateReport& r : snapshot.reports)
        reports.append(QCborArray{r.seq, r.deviceType, r.address, r.state, r.value, r.atMs});
    return QCborValue(QCborArray{kWireVersion, snapshot.session, snapshot.requester, snapshot.number, snapshot.seq,
                                 snapshot.last, reports})
        .toCbor();
}

std::optional<Snapshot> decodeSnapshot(const QByteArray& payload, QString& error) {
    Reader r(payload, 7);
    Snapshot snapshot;
    if (r.ok()) {
        snapshot.session = r.integer(1, 1, kMaxCount, "session");
        snapshot.requester = r.text(2, "requester");
        snapshot.number = r.integer(3, 0, kMaxCount, "number");
        snapshot.seq = r.integer(4, 0, kMaxCount, "sequence number");
        if (!r.items().at(5).isBool())
            r.fail(QStringLiteral("the last-part flag is not true or false"));
        snapshot.last = r.items().at(5).toBool();
        if (!r.items().at(6).isArray())
            r.fail(QStringLiteral("the reports are not a list"));
        const QCborArray list = r.items().at(6).toArray();
        snapshot.reports.reserve(list.size());
        for (qsizetype i = 0; i < list.size() && r.ok(); ++i) {
            snapshot.reports.append(readReport(list.at(i), i, -1, r));
            if (snapshot.reports.last().seq > snapshot.seq)
                r.fail(QStringLiteral("report %1 is newer than the answer").arg(i + 1));
        }
    }
    return result(r, std::move(snapshot), error);
}

// ---- answer

QByteArray encode(const Answer& answer) {
    return QCborValue(QCborArray{kWireVersion, answer.number, answer.accepted, answer.reason, answer.token}).toCbor();
}

std::optional<Answer> decodeAnswer(const QByteArray& payload, QString& error) {
    Reader r(payload, 5);
    Answer answer;
    if (r.ok()) {
        answer.number = r.integer(1, 1, kMaxCount, "command number");
        if (!r.items().at(2).isBool())
            r.fail(QStringLiteral("accepted is not true or false"));
        answer.accepted = r.items().at(2).toBool();
        answer.reason = r.text(3, "reason");
        answer.token = Reader::bytes(r.items().at(4), kMaxTokenBytes, "session token", r);
    }
    return result(r, std::move(answer), error);
}

// ---- alarm steps

QByteArray encode(const AlarmNews& news) {
    QCborArray steps;
    for (const AlarmStep& s : news.steps)
        steps.append(
            QCborArray{QLatin1String(kAlarmStepKinds[int(s.kind)]), s.address, s.raisedMs, s.by, s.atMs, s.untilMs});
    return QCborValue(QCborArray{kWireVersion, steps}).toCbor();
}

std::optional<AlarmNews> decodeAlarmNews(const QByteArray& payload, QString& error) {
    Reader r(payload, 2);
    AlarmNews news;
    if (r.ok()) {
        if (!r.items().at(1).isArray())
            r.fail(QStringLiteral("the alarm steps are not a list"));
        const QCborArray list = r.items().at(1).toArray();
        for (qsizetype i = 0; i < list.size() && r.ok(); ++i) {
            const QCborArray item = list.at(i).toArray();
            if (!list.at(i).isArray() || item.size() != 6) {
                r.fail(QStringLiteral("alarm step %1 is not [kind, address, raised, operator, at, until]").arg(i + 1));
                break;
            }
            AlarmStep step;
            step.kind = AlarmStep::Kind(Reader::name(item.at(0), kAlarmStepKinds, "alarm step", r));
            step.address = Reader::text(item.at(1), "address", r);
            step.raisedMs = Reader::integer(item.at(2), 0, kMaxCount, "raised", r);
            step.by = Reader::text(item.at(3), "operator", r);
            step.atMs = Reader::integer(item.at(4), 0, kMaxCount, "time", r);
            step.untilMs = Reader::integer(item.at(5), 0, kMaxCount, "shelved until", r);
            news.steps.append(std::move(step));
        }
    }
    return result(r, std::move(news), error);
}

// ---- a past moment's answer

QByteArray encode(const PastPart& part) {
    return QCborValue(QCborArray{kWireVersion, part.number, part.part, part.parts, part.bytes}).toCbor();
}

std::optional<PastPart> decodePastPart(const QByteArray& payload, QString& error) {
    Reader r(payload, 5);
    PastPart part;
    if (r.ok()) {
        part.number = r.integer(1, 1, kMaxCount, "command number");
        part.parts = r.integer(3, 1, PastPart::kMaxParts, "parts");
        part.part = r.integer(2, 0, part.parts - 1, "part");
        part.bytes = Reader::bytes(r.items().at(4), PastPart::kMaxBytes, "part", r);
    }
    return result(r, std::move(part), error);
}

}  // namespace sv::wire
