// The web desk's messages (JSON objects with "t") and what a tab keeps between them. No network
// here: the server hands the payloads in and sends what these functions make.
//
// HTTP (same origin as the page):
//   GET /, GET /assets/...   the built page from the web root (no listing, no path outside it)
//   POST /api/signin         {"login","password","wall"?} -> 200 {"operator","csrf","wall"} + Set-Cookie
//                            (a wall display's session watches only, and its open tabs keep it)
//                            (HttpOnly; SameSite=Strict; Path=/; Secure under TLS); 401
//                            {"error":"Wrong login or password."}; 429 {"error"} with Retry-After
//                            (after failed sign-ins, or while too many wait for their check)
//   GET /api/session         200 {"operator","csrf","wall"} for a live session cookie, else 401
//   POST /api/signout        (X-CSRF-Token) -> 204; the session ends and its sockets close
//   Every POST but sign-in needs the cookie, X-CSRF-Token equal to the session's token and an
//   Origin (when sent) equal to the server's own, else 403. Bodies over kMaxMessageBytes: 413.
//
// WebSocket GET /ws (the session cookie; Origin must be the server's own). The first message must
// be {"t":"hello","csrf","group"?} within kHelloTimeoutMs, else the socket closes; "group" is the
// group a reconnecting tab showed (each tab shows its own group, find and filter). Client -> server:
//   hello {csrf,group?} | group {name} | view {views:[{section,first,count}]} (count at most kMaxViewRows)
//   | find {text} | abnormal {on} | menu {section,key} | command {section,key,id,csrf} | clearCleared
//   | locate {section,key} (where a row is among the rows in sight, to scroll to it)
//   | ping (the page is there: every kPagePingMs; it keeps the socket, not the session, alive)
//   | acknowledge {section,key,csrf,comment?} (comment at most kMaxComment characters)
//   | shelve {section,key,csrf,minutes} (minutes 15 to 480)
//   | journal {point?,operator?,from?,to?} (the alarm journal; times "2026-12-07T10:42", the desk's)
//   | attentionAgain (the whole attention list at the next push: the page could not apply a change)
//   | sort {section,column,descending} (the tab's rows of the section by that shown column, from 0;
//     -1: the desk's order)
//   | at {moment} (the tab shows the site as it was at moment, ms since 1970, within the history's
//     span: rows, counts and attention from a past desk, no command or alarm step taken)
//   | pastStep {by} (-1, 1: the previous or next report) | pastReport {index} (the report times'
//     index, the slider's) | pastPlay {speed} (1, 10, 60 times real time; 0 pauses) | live
// Server -> client (rows, counts and attention at most ten times a second per tab, and only when
// they changed since the tab last got them):
//   welcome {operator,groups,group,sections:[{section,title,columns}],history?:{first,last}}
//              (history: the span of moments "at" takes, ms since 1970; absent: the tab has no "At")
//   counts {group,sections:[{section,title,rows,shown,alarms,warnings}],alarms,warnings}
//   attention {version,entries:[{key,section,severity,kind,name,address,words,since,cleared,
//              unacknowledged,acknowledgedBy}],total,shelved:[{address,name,by,until}]} (the whole
//              list: a tab's first, and whenever the changes would not be shorter; shelved: the
//              soonest back first)
//   attentionChanges {base,version,order,changed,total,shelved} (the list a tab holds at `base` made the
//              one at `version`: `order` edits the held list from its top, n > 0 keeps its next n
//              entries, n < 0 drops them, "section:key" puts that point's entry next, from
//              `changed` when it is there (new or changed), else the held one; entries the edit
//              does not reach are gone. A page holding another version ignores it and asks
//              attentionAgain; `shelved` is the whole shelved list, as in attention)
//   rows {section,first,total,rows:[{key,cells,severity,reason,recent}]}
//   menu {section,key,items:[{id,text,enabled}]}
//   command {id,ok,text} | step {step,ok,text} (an acknowledgement or shelving handed to the field, or
//   refused here) | notice {text} | bye {reason,again}
//   ping (every kHeartbeatMs: a page that hears nothing for a few seconds marks its rows stale)
//   journal {rows:[{time,event,address,raised,operator,comment,at}]} (newest first, kMaxJournalRows;
//              at: the moment that shows the board with the step, ms since 1970, 0 when unknown)
//   past {moment,banner,waiting,reports,index,speed,first,last} (the tab shows the past: the moment
//              shown (0 before the first board), the banner's text, a board asked for and not come,
//              the report times to step through and the index of the one shown (-1: before the
//              first), the speed playing (0: paused), the history's span) | live (back to live)
//   located {section,key,index} (the row's index among the tab's rows in sight; -1: not in sight)
// Messages over kMaxMessageBytes close the socket; malformed ones are logged and ignored. A socket
// that sends nothing for kSilentSocketMs is closed: a page behind a frozen connection holds no
// socket, and the page reconnects on its own.
#pragma once

#include <statusobject/StatusReader.h>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <utility>

namespace sv::web {

inline constexpr qsizetype kMaxMessageBytes = 16 * 1024;
inline constexpr int kMaxViewRows = 200;
inline constexpr int kHelloTimeoutMs = 5000;
/// Messages a page may send: a burst of kMessageBurst, then one every kMessageEveryMs (scrolling
/// sends a view a frame). What goes beyond is dropped, and logged once per socket.
inline constexpr int kMessageBurst = 120;
inline constexpr qint64 kMessageEveryMs = 20;
/// The server's heartbeat to every tab, and the most a live page stays quiet on its socket.
inline constexpr int kHeartbeatMs = 2000;
inline constexpr int kPagePingMs = 5000;
inline constexpr qint64 kSilentSocketMs = 20000;
/// The longest comment an acknowledgement carries.
inline constexpr int kMaxComment = 255;
/// The journal's steps one message carries at most.
inline constexpr int kMaxJournalRows = 500;
/// Entries of the attention list one message carries at most (the newest alarms first).
inline constexpr int kMaxAttentionEntries = 1000;
/// A tab's pushes of rows, counts and attention are at least this far apart.
inline constexpr qint64 kPushIntervalMs = 100;
/// Bytes a tab's socket may hold unsent before the tab is closed: pushes wait for the socket to
/// drain, so only answers to the page's own asks (menus, commands) pile up, from a page that asks
/// without reading.
inline constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

struct SectionView {
    int section = 0;
    int first = 0;
    int count = 0;
    bool operator==(const SectionView&) const = default;
};

struct ClientMessage {
    enum class Kind {
        Invalid,
        Hello,
        Group,
        View,
        Find,
        Abnormal,
        Menu,
        Command,
        ClearCleared,
        Locate,
        Ping,
        Acknowledge,
        Shelve,
        Journal,
        AttentionAgain,
        Sort,
        At,
        PastStep,
        PastReport,
        PastPlay,
        Live
    };
    Kind kind = Kind::Invalid;
    /// Why an Invalid message was refused (for the log).
    QString error;
    QByteArray csrf;
    QString text;        // group name, find text, an acknowledgement's comment
    int minutes = 0;     // a shelving's
    QString byOperator;  // the journal's filters
    QDateTime from;
    QDateTime to;
    bool on = false;
    QVector<SectionView> views;
    int section = 0;
    int key = -1;  // a row's key; a sort's column
    QString id;
    qint64 moment = 0;  // at's
    int amount = 0;     // a past step's direction, report index or speed
};

/// Reads one message from the page; Invalid (with the reason) for anything not in the contract.
ClientMessage parseClientMessage(const QByteArray& payload);

QByteArray toBytes(const QJsonObject& message);

/// The first and last moment the history holds (ms since 1970); absent: the tab has no "At".
using HistorySpan = std::optional<std::pair<qint64, qint64>>;

QJsonObject welcomeMessage(const QString& operatorName, const QStringList& groups, const QString& group,
                           const QVector<so::StatusReader::SectionInfo>& sections, const HistorySpan& history = {});
QJsonObject countsMessage(const QString& group, const QVector<so::StatusReader::SectionInfo>& sections,
                          const QVector<so::StatusReader::Counts>& counts);
/// The counts message of what `reader` shows through `filter`, section by section.
QJsonObject countsMessage(so::StatusReader& reader, const so::StatusReader::Filter& filter);
/// The attention list as one version of it was sent: its first kMaxAttentionEntries entries, each
/// with its point ("section:key"), and the whole list's length.
struct AttentionSnapshot {
    quint64 version = 0;
    QStringList points;
    QVector<QJsonObject> entries;
    int total = 0;
    /// The shelved points (at most kMaxAttentionEntries), each {address,name,by,until}.
    QJsonArray shelved;
    /// No point is listed twice (changes name entries by point).
    bool unique = true;
    /// The same entries and total, whatever the version.
    bool sameAs(const AttentionSnapshot& other) const {
        return total == other.total && entries == other.entries && shelved == other.shelved;
    }
};
/// The first kMaxAttentionEntries of `items`; `total` is the whole list's length (-1: items' own);
/// the shelved points (at most kMaxAttentionEntries).
AttentionSnapshot attentionSnapshot(const QVector<so::StatusReader::AttentionItem>& items, quint64 version,
                                    int total = -1, const QVector<so::StatusReader::ShelvedItem>& shelved = {});
QJsonObject attentionMessage(const AttentionSnapshot& list);
/// What makes `from` into `to` (both unique: else there is no such message and the whole list goes).
QJsonObject attentionChangesMessage(const AttentionSnapshot& from, const AttentionSnapshot& to);
QJsonObject rowsMessage(int section, int first, const so::StatusReader::Rows& rows);
QJsonObject menuMessage(int section, int key, const QVector<so::StatusReader::MenuItem>& items);
QJsonObject commandMessage(const QString& id, bool ok, const QString& text);
/// The answer to an acknowledge or shelve message: handed to the site's authority, or refused.
QJsonObject stepMessage(const QString& step, bool ok, const QString& text);
/// `moments`: each row's moment to go back to (ms since 1970; 0 or missing: none).
QJsonObject journalMessage(const QVector<so::StatusReader::JournalRow>& rows, const QVector<qint64>& moments = {});
/// Where a tab's replay of the past stands.
struct PastState {
    qint64 moment = 0;
    QString banner;
    bool waiting = false;
    int reports = 0;
    int index = -1;
    int speed = 0;
    std::pair<qint64, qint64> span;
};
QJsonObject pastMessage(const PastState& past);
QJsonObject liveMessage();
QJsonObject locatedMessage(int section, int key, int index);
QJsonObject noticeMessage(const QString& text);
QJsonObject pingMessage();
/// `again`: the session lives and a new socket would be taken (the page reconnects).
QJsonObject byeMessage(const QString& reason, bool again = false);

/// When a tab's next push may go: a change marks the tab dirty; a push runs at once when the last
/// one is kPushIntervalMs old, else when it will be; marks in between ride along. A push due while
/// the tab's socket still holds unsent bytes (a background tab, a slow link) is held: the tab stays
/// dirty and pushes the newest state once the socket has drained, so what waits for a slow reader
/// is one push, never a queue of stale ones. The times are a steady clock's (WebDesk::nowMs): a
/// clock stepped back never holds the pushes until the time of day catches up.
class PushPacer {
public:
    explicit PushPacer(qint64 intervalMs = kPushIntervalMs) : intervalMs_(intervalMs) {}
    /// A change: milliseconds until the push should run, or -1 when one is already due or held.
    qint64 mark(qint64 nowMs);
    /// The push runs now: false when there was nothing to push, or when the socket still holds
    /// `unsentBytes` (the push is held until drained()).
    bool take(qint64 nowMs, qint64 unsentBytes = 0);
    /// The socket sent everything: milliseconds until the held push should run, or -1 when none is held.
    qint64 drained(qint64 nowMs);

private:
    qint64 intervalMs_;
    qint64 lastPushMs_ = -1;
    bool dirty_ = false;
    bool scheduled_ = false;
    bool held_ = false;
};

/// What one tab last received per channel ("counts", "attention", "rows:3"), so an unchanged
/// message is not sent again.
class SentMessages {
public:
    /// The bytes to send, or empty when the tab has them already.
    QByteArray changed(const QString& channel, const QJsonObject& message);
    /// The same for a message serialised already (once for every tab of an operator).
    QByteArray changed(const QString& channel, const QByteArray& bytes);
    void forget(const QString& channel) { sent_.remove(channel); }
    void clear() { sent_.clear(); }

private:
    QHash<QString, QByteArray> sent_;
};

}  // namespace sv::web
