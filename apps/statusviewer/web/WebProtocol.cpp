#include "web/WebProtocol.h"

#include <statusobject/AlarmSteps.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <cmath>

namespace sv::web {
namespace {

using Reader = so::StatusReader;

QString severityText(Reader::Severity severity) {
    switch (severity) {
    case Reader::Severity::Alarm: return QStringLiteral("alarm");
    case Reader::Severity::Warning: return QStringLiteral("warning");
    case Reader::Severity::Normal: break;
    }
    return QString();
}

/// A whole number member within [low, high]; false when missing or anything else.
bool readInt(const QJsonObject& object, const char* name, int low, int high, int& out) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number) || number < low || number > high)
        return false;
    out = int(number);
    return true;
}

bool readString(const QJsonObject& object, const char* name, int maxLength, QString& out) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isString() || value.toString().size() > maxLength)
        return false;
    out = value.toString();
    return true;
}

/// A moment in ms since 1970: a whole number above 0 that a double holds exactly.
bool readMoment(const QJsonObject& object, const char* name, qint64& out) {
    constexpr double kLatest = 9007199254740991.0;  // 2^53 - 1
    const QJsonValue value = object.value(QLatin1String(name));
    const double number = value.toDouble(-1);
    if (!value.isDouble() || !std::isfinite(number) || number != std::floor(number) || number < 1 || number > kLatest)
        return false;
    out = qint64(number);
    return true;
}

ClientMessage invalid(const QString& why) {
    ClientMessage m;
    m.error = why;
    return m;
}

}  // namespace

ClientMessage parseClientMessage(const QByteArray& payload) {
    if (payload.size() > kMaxMessageBytes)
        return invalid(QStringLiteral("message over %1 bytes").arg(kMaxMessageBytes));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return invalid(QStringLiteral("not a JSON object"));
    const QJsonObject o = document.object();
    const QString t = o.value(QLatin1String("t")).toString();
    ClientMessage m;
    QString csrf;
    constexpr int kMaxText = 200;
    constexpr int kMaxKey = 1 << 30;
    if (t == QLatin1String("hello")) {
        if (!readString(o, "csrf", kMaxText, csrf))
            return invalid(QStringLiteral("hello without csrf"));
        // The group a reconnecting page showed, to come back to.
        if (o.contains(QLatin1String("group")) && !readString(o, "group", kMaxText, m.text))
            return invalid(QStringLiteral("hello with a group that is not a name"));
        m.kind = ClientMessage::Kind::Hello;
        m.csrf = csrf.toLatin1();
    } else if (t == QLatin1String("group")) {
        if (!readString(o, "name", kMaxText, m.text))
            return invalid(QStringLiteral("group without a name"));
        m.kind = ClientMessage::Kind::Group;
    } else if (t == QLatin1String("find")) {
        if (!readString(o, "text", kMaxText, m.text))
            return invalid(QStringLiteral("find without text"));
        m.kind = ClientMessage::Kind::Find;
    } else if (t == QLatin1String("abnormal")) {
        if (!o.value(QLatin1String("on")).isBool())
            return invalid(QStringLiteral("abnormal without on"));
        m.on = o.value(QLatin1String("on")).toBool();
        m.kind = ClientMessage::Kind::Abnormal;
    } else if (t == QLatin1String("view")) {
        const QJsonValue views = o.value(QLatin1String("views"));
        if (!views.isArray() || views.toArray().size() > Reader::kSectionCount)
            return invalid(QStringLiteral("view without views"));
        for (const QJsonValue& v : views.toArray()) {
            SectionView view;
            if (!v.isObject() || !readInt(v.toObject(), "section", 0, Reader::kSectionCount - 1, view.section) ||
                !readInt(v.toObject(), "first", 0, kMaxKey, view.first) ||
                !readInt(v.toObject(), "count", 0, kMaxKey, view.count))
                return invalid(QStringLiteral("a view is not {section 0-7, first, count}"));
            view.count = qMin(view.count, kMaxViewRows);
            m.views.append(view);
        }
        m.kind = ClientMessage::Kind::View;
    } else if (t == QLatin1String("menu") || t == QLatin1String("command") || t == QLatin1String("locate")) {
        if (!readInt(o, "section", 0, Reader::kSectionCount - 1, m.section) || !readInt(o, "key", 0, kMaxKey, m.key))
            return invalid(QStringLiteral("%1 without section and key").arg(t));
        m.kind = t == QLatin1String("locate") ? ClientMessage::Kind::Locate : ClientMessage::Kind::Menu;
        if (t == QLatin1String("command")) {
            if (!readString(o, "id", kMaxText, m.id) || !readString(o, "csrf", kMaxText, csrf))
                return invalid(QStringLiteral("command without id and csrf"));
            m.csrf = csrf.toLatin1();
            m.kind = ClientMessage::Kind::Command;
        }
    } else if (t == QLatin1String("acknowledge") || t == QLatin1String("shelve")) {
        // An operator's alarm step: the entry, the session's token, and its comment or minutes.
        if (!readInt(o, "section", 0, Reader::kSectionCount - 1, m.section) || !readInt(o, "key", 0, kMaxKey, m.key) ||
            !readString(o, "csrf", kMaxText, csrf))
            return invalid(QStringLiteral("%1 without section, key and csrf").arg(t));
        m.csrf = csrf.toLatin1();
        if (t == QLatin1String("acknowledge")) {
            if (o.contains(QLatin1String("comment")) && !readString(o, "comment", kMaxComment, m.text))
                return invalid(QStringLiteral("acknowledge with a comment over %1 characters").arg(kMaxComment));
            m.kind = ClientMessage::Kind::Acknowledge;
        } else {
            if (!readInt(o, "minutes", so::kShelveMinMinutes, so::kShelveMaxMinutes, m.minutes))
                return invalid(QStringLiteral("shelve without minutes %1 to %2")
                                   .arg(so::kShelveMinMinutes)
                                   .arg(so::kShelveMaxMinutes));
            m.kind = ClientMessage::Kind::Shelve;
        }
    } else if (t == QLatin1String("journal")) {
        // Every filter is optional; one given must be a text of the contract.
        const auto time = [&](const char* name, QDateTime& out) {
            if (!o.contains(QLatin1String(name)))
                return true;
            QString text;
            if (!readString(o, name, 16, text))
                return false;
            out = QDateTime::fromString(text, QStringLiteral("yyyy-MM-ddTHH:mm"));
            return out.isValid();
        };
        if ((o.contains(QLatin1String("point")) && !readString(o, "point", kMaxText, m.text)) ||
            (o.contains(QLatin1String("operator")) && !readString(o, "operator", kMaxText, m.byOperator)) ||
            !time("from", m.from) || !time("to", m.to))
            return invalid(QStringLiteral("journal with a filter that is not a text or a time"));
        m.kind = ClientMessage::Kind::Journal;
    } else if (t == QLatin1String("sort")) {
        constexpr int kMaxColumns = 100;
        if (!readInt(o, "section", 0, Reader::kSectionCount - 1, m.section) ||
            !readInt(o, "column", -1, kMaxColumns, m.key) || !o.value(QLatin1String("descending")).isBool())
            return invalid(QStringLiteral("sort without section, column and descending"));
        m.on = o.value(QLatin1String("descending")).toBool();
        m.kind = ClientMessage::Kind::Sort;
    } else if (t == QLatin1String("at")) {
        if (!readMoment(o, "moment", m.moment))
            return invalid(QStringLiteral("at without a moment"));
        m.kind = ClientMessage::Kind::At;
    } else if (t == QLatin1String("pastStep")) {
        if (!readInt(o, "by", -1, 1, m.amount) || m.amount == 0)
            return invalid(QStringLiteral("pastStep without by -1 or 1"));
        m.kind = ClientMessage::Kind::PastStep;
    } else if (t == QLatin1String("pastReport")) {
        if (!readInt(o, "index", 0, kMaxKey, m.amount))
            return invalid(QStringLiteral("pastReport without an index"));
        m.kind = ClientMessage::Kind::PastReport;
    } else if (t == QLatin1String("pastPlay")) {
        if (!readInt(o, "speed", 0, 60, m.amount) ||
            (m.amount != 0 && m.amount != 1 && m.amount != 10 && m.amount != 60))
            return invalid(QStringLiteral("pastPlay without speed 0, 1, 10 or 60"));
        m.kind = ClientMessage::Kind::PastPlay;
    } else if (t == QLatin1String("live")) {
        m.kind = ClientMessage::Kind::Live;
    } else if (t == QLatin1String("attentionAgain")) {
        m.kind = ClientMessage::Kind::AttentionAgain;
    } else if (t == QLatin1String("clearCleared")) {
        m.kind = ClientMessage::Kind::ClearCleared;
    } else if (t == QLatin1String("ping")) {
        m.kind = ClientMessage::Kind::Ping;
    } else {
        // The type goes into the log: control characters become "?".
        QString shown = t.left(40);
        for (QChar& c : shown)
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char('?');
        return invalid(QStringLiteral("unknown message \"%1\"").arg(shown));
    }
    return m;
}

QByteArray toBytes(const QJsonObject& message) { return QJsonDocument(message).toJson(QJsonDocument::Compact); }

QJsonObject welcomeMessage(const QString& operatorName, const QStringList& groups, const QString& group,
                           const QVector<Reader::SectionInfo>& sections, const HistorySpan& history) {
    QJsonArray list;
    for (const Reader::SectionInfo& s : sections)
        list.append(QJsonObject{{QStringLiteral("section"), s.section},
                                {QStringLiteral("title"), s.title},
                                {QStringLiteral("columns"), QJsonArray::fromStringList(s.columns)}});
    QJsonObject welcome{{QStringLiteral("t"), QStringLiteral("welcome")},
                        {QStringLiteral("operator"), operatorName},
                        {QStringLiteral("groups"), QJsonArray::fromStringList(groups)},
                        {QStringLiteral("group"), group},
                        {QStringLiteral("sections"), list}};
    if (history)
        welcome.insert(QStringLiteral("history"), QJsonObject{{QStringLiteral("first"), double(history->first)},
                                                              {QStringLiteral("last"), double(history->second)}});
    return welcome;
}

QJsonObject countsMessage(Reader& reader, const Reader::Filter& filter) {
    QVector<Reader::Counts> counts;
    for (int section = 0; section < Reader::kSectionCount; ++section)
        counts.append(reader.counts(section, filter));
    return countsMessage(reader.groupName(), reader.sections(), counts);
}

QJsonObject countsMessage(const QString& group, const QVector<Reader::SectionInfo>& sections,
                          const QVector<Reader::Counts>& counts) {
    QJsonArray list;
    int alarms = 0, warnings = 0;
    for (qsizetype i = 0; i < sections.size() && i < counts.size(); ++i) {
        const Reader::Counts& c = counts[i];
        alarms += c.alarms;
        warnings += c.warnings;
        list.append(QJsonObject{{QStringLiteral("section"), sections[i].section},
                                {QStringLiteral("title"), sections[i].title},
                                {QStringLiteral("rows"), c.rows},
                                {QStringLiteral("shown"), c.shown},
                                {QStringLiteral("alarms"), c.alarms},
                                {QStringLiteral("warnings"), c.warnings}});
    }
    return {{QStringLiteral("t"), QStringLiteral("counts")},
            {QStringLiteral("group"), group},
            {QStringLiteral("sections"), list},
            {QStringLiteral("alarms"), alarms},
            {QStringLiteral("warnings"), warnings}};
}

AttentionSnapshot attentionSnapshot(const QVector<Reader::AttentionItem>& items, quint64 version, int total,
                                    const QVector<Reader::ShelvedItem>& shelved) {
    AttentionSnapshot list;
    list.version = version;
    list.total = total < 0 ? int(items.size()) : total;
    QSet<QString> seen;
    for (qsizetype i = 0; i < items.size() && i < kMaxAttentionEntries; ++i) {
        const Reader::AttentionItem& e = items[i];
        const QString point = QStringLiteral("%1:%2").arg(e.section).arg(e.key);
        list.unique = list.unique && !seen.contains(point);
        seen.insert(point);
        list.points.append(point);
        list.entries.append(QJsonObject{{QStringLiteral("key"), e.key},
                                        {QStringLiteral("section"), e.section},
                                        {QStringLiteral("severity"), severityText(e.severity)},
                                        {QStringLiteral("kind"), e.kind},
                                        {QStringLiteral("name"), e.name},
                                        {QStringLiteral("address"), e.address},
                                        {QStringLiteral("words"), e.words},
                                        {QStringLiteral("since"), e.since},
                                        {QStringLiteral("cleared"), e.cleared},
                                        {QStringLiteral("unacknowledged"), e.awaitsAcknowledgement},
                                        {QStringLiteral("acknowledgedBy"), e.acknowledgedBy}});
    }
    for (qsizetype i = 0; i < shelved.size() && i < kMaxAttentionEntries; ++i)
        list.shelved.append(QJsonObject{{QStringLiteral("address"), shelved[i].address},
                                        {QStringLiteral("name"), shelved[i].name},
                                        {QStringLiteral("by"), shelved[i].by},
                                        {QStringLiteral("until"), shelved[i].until}});
    return list;
}

QJsonObject attentionMessage(const AttentionSnapshot& list) {
    QJsonArray entries;
    for (const QJsonObject& e : list.entries)
        entries.append(e);
    return {{QStringLiteral("t"), QStringLiteral("attention")},
            {QStringLiteral("version"), double(list.version)},
            {QStringLiteral("entries"), entries},
            {QStringLiteral("total"), list.total},
            {QStringLiteral("shelved"), list.shelved}};
}

QJsonObject attentionChangesMessage(const AttentionSnapshot& from, const AttentionSnapshot& to) {
    // Walks the new list against the held one: a held entry in its place is kept (a run), one
    // that is no longer listed, or that went elsewhere, is dropped; a new or changed entry, or one
    // that moved, is named. An entry that alone moved down is dropped where it was and named where
    // it went, so the entries it leaves keep their runs.
    QHash<QString, qsizetype> heldAt, newAt;
    for (qsizetype i = 0; i < from.points.size(); ++i)
        heldAt.insert(from.points[i], i);
    for (qsizetype i = 0; i < to.points.size(); ++i)
        newAt.insert(to.points[i], i);
    QJsonArray order, changed;
    int run = 0;  // > 0 kept, < 0 dropped, not yet written
    const auto flush = [&] {
        if (run != 0)
            order.append(run);
        run = 0;
    };
    const auto keep = [&](int n) {
        if (run < 0)
            flush();
        run += n;
    };
    const auto drop = [&] {
        if (run > 0)
            flush();
        --run;
    };
    const auto name = [&](qsizetype i) {
        flush();
        order.append(to.points[i]);
        const auto held = heldAt.constFind(to.points[i]);
        if (held == heldAt.cend() || from.entries[*held] != to.entries[i])
            changed.append(to.entries[i]);
    };
    QVector<bool> used(from.points.size(), false);
    qsizetype j = 0;
    for (qsizetype i = 0; i < to.points.size(); ++i) {
        // Held entries gone from the list, or named already, are passed over.
        while (j < from.points.size() && (used[j] || !newAt.contains(from.points[j]))) {
            drop();
            ++j;
        }
        const auto held = heldAt.constFind(to.points[i]);
        // The held entry here moved down alone: dropped here, named where it goes.
        if (j + 1 < from.points.size() && from.points[j] != to.points[i] && held != heldAt.cend() && *held == j + 1) {
            drop();
            ++j;
        }
        if (j < from.points.size() && from.points[j] == to.points[i]) {
            used[j] = true;
            if (from.entries[j] == to.entries[i]) {
                keep(1);
            } else {
                drop();
                name(i);
            }
            ++j;
        } else {
            if (held != heldAt.cend())
                used[*held] = true;
            name(i);
        }
    }
    if (run > 0)
        flush();
    return {{QStringLiteral("t"), QStringLiteral("attentionChanges")},
            {QStringLiteral("base"), double(from.version)},
            {QStringLiteral("version"), double(to.version)},
            {QStringLiteral("order"), order},
            {QStringLiteral("changed"), changed},
            {QStringLiteral("total"), to.total},
            {QStringLiteral("shelved"), to.shelved}};
}

QJsonObject rowsMessage(int section, int first, const Reader::Rows& rows) {
    QJsonArray list;
    for (const Reader::Row& r : rows.rows)
        list.append(QJsonObject{{QStringLiteral("key"), r.key},
                                {QStringLiteral("cells"), QJsonArray::fromStringList(r.cells)},
                                {QStringLiteral("severity"), severityText(r.severity)},
                                {QStringLiteral("reason"), r.reason},
                                {QStringLiteral("recent"), r.recent}});
    return {{QStringLiteral("t"), QStringLiteral("rows")},
            {QStringLiteral("section"), section},
            {QStringLiteral("first"), first},
            {QStringLiteral("total"), rows.total},
            {QStringLiteral("rows"), list}};
}

QJsonObject menuMessage(int section, int key, const QVector<Reader::MenuItem>& items) {
    QJsonArray list;
    for (const Reader::MenuItem& item : items)
        list.append(QJsonObject{{QStringLiteral("id"), item.id},
                                {QStringLiteral("text"), item.text},
                                {QStringLiteral("enabled"), item.enabled},
                                {QStringLiteral("why"), item.whyDisabled}});
    return {{QStringLiteral("t"), QStringLiteral("menu")},
            {QStringLiteral("section"), section},
            {QStringLiteral("key"), key},
            {QStringLiteral("items"), list}};
}

QJsonObject stepMessage(const QString& step, bool ok, const QString& text) {
    return {{QStringLiteral("t"), QStringLiteral("step")},
            {QStringLiteral("step"), step},
            {QStringLiteral("ok"), ok},
            {QStringLiteral("text"), text}};
}

QJsonObject journalMessage(const QVector<Reader::JournalRow>& rows, const QVector<qint64>& moments) {
    QJsonArray list;
    for (qsizetype i = 0; i < rows.size() && i < kMaxJournalRows; ++i)
        list.append(QJsonObject{{QStringLiteral("time"), rows[i].time},
                                {QStringLiteral("event"), rows[i].event},
                                {QStringLiteral("address"), rows[i].address},
                                {QStringLiteral("raised"), rows[i].raised},
                                {QStringLiteral("operator"), rows[i].byOperator},
                                {QStringLiteral("comment"), rows[i].comment},
                                {QStringLiteral("at"), double(moments.value(i))}});
    return {{QStringLiteral("t"), QStringLiteral("journal")}, {QStringLiteral("rows"), list}};
}

QJsonObject pastMessage(const PastState& past) {
    return {{QStringLiteral("t"), QStringLiteral("past")},
            {QStringLiteral("moment"), double(past.moment)},
            {QStringLiteral("banner"), past.banner},
            {QStringLiteral("waiting"), past.waiting},
            {QStringLiteral("reports"), past.reports},
            {QStringLiteral("index"), past.index},
            {QStringLiteral("speed"), past.speed},
            {QStringLiteral("first"), double(past.span.first)},
            {QStringLiteral("last"), double(past.span.second)}};
}

QJsonObject liveMessage() { return {{QStringLiteral("t"), QStringLiteral("live")}}; }

QJsonObject commandMessage(const QString& id, bool ok, const QString& text) {
    return {{QStringLiteral("t"), QStringLiteral("command")},
            {QStringLiteral("id"), id},
            {QStringLiteral("ok"), ok},
            {QStringLiteral("text"), text}};
}

QJsonObject locatedMessage(int section, int key, int index) {
    return {{QStringLiteral("t"), QStringLiteral("located")},
            {QStringLiteral("section"), section},
            {QStringLiteral("key"), key},
            {QStringLiteral("index"), index}};
}

QJsonObject noticeMessage(const QString& text) {
    return {{QStringLiteral("t"), QStringLiteral("notice")}, {QStringLiteral("text"), text}};
}

QJsonObject pingMessage() { return {{QStringLiteral("t"), QStringLiteral("ping")}}; }

QJsonObject byeMessage(const QString& reason, bool again) {
    return {{QStringLiteral("t"), QStringLiteral("bye")},
            {QStringLiteral("reason"), reason},
            {QStringLiteral("again"), again}};
}

// ---- PushPacer

qint64 PushPacer::mark(qint64 nowMs) {
    dirty_ = true;
    if (scheduled_ || held_)
        return -1;
    scheduled_ = true;
    if (lastPushMs_ < 0)
        return 0;
    return qMax<qint64>(0, lastPushMs_ + intervalMs_ - nowMs);
}

bool PushPacer::take(qint64 nowMs, qint64 unsentBytes) {
    scheduled_ = false;
    if (!dirty_)
        return false;
    if (unsentBytes > 0) {
        held_ = true;
        return false;
    }
    dirty_ = false;
    lastPushMs_ = nowMs;
    return true;
}

qint64 PushPacer::drained(qint64 nowMs) {
    if (!held_)
        return -1;
    held_ = false;
    return mark(nowMs);
}

// ---- SentMessages

QByteArray SentMessages::changed(const QString& channel, const QJsonObject& message) {
    return changed(channel, toBytes(message));
}

QByteArray SentMessages::changed(const QString& channel, const QByteArray& bytes) {
    QByteArray& last = sent_[channel];
    if (last == bytes)
        return {};
    last = bytes;
    return bytes;
}

}  // namespace sv::web
