// The order, session and resynchronisation rules of a multi-desk site, apart from the broker and
// the clock (every call takes the time, milliseconds of a steady clock: a step of the time of day
// neither hurries nor holds a resync), so that they are tested step by step without either.
//
// A field process runs one session: a random 63-bit number drawn at its start (never its clock: a
// field restarted with its clock behind must not look older than its previous run). It numbers its
// published reports 1, 2, ... within the session, announces itself with a retained "online"
// message and leaves a retained "offline" one as its last will, so a desk learns of its death from
// the broker even when it is killed. Every second it takes a digest of the newest report per
// point it published and sends it once the site database holds every state it covers; a desk
// holding the same reports holds the same digest.
//
// DeskSession is one desk's side:
//  - a report is applied when it is newer than the last one applied to its point within the
//    current session (LatestReports); reports of an ended session are dropped;
//  - a new session (born, or first seen in its reports), the field back after its death and the
//    desk's own (re)connection start a resynchronisation: the desk asks the field, which answers
//    once every state it reported is written to the site database, carrying the newest report per
//    point of the session; the desk then refreshes every row from the site and applies again what
//    arrived meanwhile. Without an answer the desk asks again every kRetryMs and says so; with no
//    field online there is nobody to ask and the rows are refreshed from the site alone;
//  - a gap in the report numbers or a digest that differs from its own makes the desk ask for a
//    resynchronisation, at most once every kMinAskMs;
//  - a digest equal to its own, taken over exactly the reports the desk received, at the same
//    report as the digest before, tells the desk that the field reported nothing for a digest
//    period and the site database holds exactly what its rows were drawn from: the moment to
//    check a slice of its rows against the site (level).
#pragma once

#include "SiteWire.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <functional>

namespace sv {

/// The newest report per point of one session, and a digest of them all: the exclusive-or of a
/// fixed 64-bit hash of each (device type, address, state, value), the same in every process.
class LatestReports {
public:
    /// True when report is newer (a higher seq) than the one kept for its address; it is kept from now on.
    bool accept(const wire::StateReport& report);
    void clear();
    /// A whole number from 0 to 2^62 - 1 (it travels as a non-negative wire integer).
    quint64 digest() const { return digest_ & kDigestMask; }
    qsizetype size() const { return last_.size(); }
    QVector<wire::StateReport> all() const;

    static quint64 hashOf(const wire::StateReport& report);

private:
    static constexpr quint64 kDigestMask = (quint64(1) << 62) - 1;
    struct Kept {
        wire::StateReport report;
        quint64 hash;
    };
    QHash<QString, Kept> last_;
    quint64 digest_ = 0;
};

/// The field's outgoing reports while they cannot be published (broker link down or too many
/// messages unacknowledged): the newest report per point, in the order the points first came. At
/// most capacity points are held; past that the oldest is dropped. Every report replaced or dropped
/// is counted: the next publication then skips a number, so every desk sees the gap and resyncs,
/// which brings back what was dropped.
class OutgoingReports {
public:
    explicit OutgoingReports(qsizetype capacity) : capacity_(capacity) {}

    void push(const wire::StateReport& report);
    /// Up to count reports from the front.
    QVector<wire::StateReport> take(qsizetype count);
    bool isEmpty() const { return size() == 0; }
    qsizetype size() const { return items_.size() - head_; }
    /// Reports replaced or dropped since the last call.
    qint64 takeLost() { return std::exchange(lost_, 0); }

private:
    void compact();

    qsizetype capacity_;
    QVector<wire::StateReport> items_;
    qsizetype head_ = 0;
    QHash<QString, qsizetype> index_;  // address -> position in items_
    qint64 lost_ = 0;
};

class DeskSession {
public:
    /// A resync request without an answer is sent again after this long.
    static constexpr qint64 kRetryMs = 3000;
    /// Requests a gap or a digest asks for are at most this frequent.
    static constexpr qint64 kMinAskMs = 2000;

    enum class FieldState { Unknown, Online, Offline };

    /// Sends a resync request with this number.
    std::function<void(qint64 number)> ask;
    /// Hands an accepted report to the workstation.
    std::function<void(const wire::StateReport& report)> deliver;
    /// Refreshes every row from the site database.
    std::function<void()> refreshRows;
    /// Something shown changed (field state, resync pending or overdue).
    std::function<void()> changed;
    /// The field's digest equals this desk's over the same reports, at the same report as the
    /// digest before, with no resync running.
    std::function<void()> level;

    /// The broker link is up (starts a resync) or lost.
    void linkUp(qint64 nowMs);
    void linkDown(qint64 nowMs);
    /// The field's retained announcements.
    void online(qint64 session, qint64 nowMs);
    void offline(qint64 session, qint64 nowMs);
    void states(const wire::StateBatch& batch, qint64 nowMs);
    void digest(qint64 session, qint64 seq, quint64 theirs, qint64 nowMs);
    /// A part of the field's answer to a resync request (sent to this desk's login; a part for
    /// another desk or an earlier request is ignored).
    void snapshot(const wire::Snapshot& part, const QString& deskId, qint64 nowMs);
    /// Called every few hundred milliseconds: asks again, or refreshes without a field.
    void tick(qint64 nowMs);

    FieldState fieldState() const { return fieldState_; }
    /// When the field went offline or came online (0: unknown).
    qint64 fieldSinceMs() const { return fieldSinceMs_; }
    qint64 session() const { return session_; }
    bool isResyncing() const { return resyncing_; }
    /// A resync is pending longer than kRetryMs: the field has not answered (yet).
    bool isOverdue() const { return overdue_; }
    qint64 resyncSinceMs() const { return resyncSinceMs_; }

    qint64 applied() const { return applied_; }
    qint64 dropped() const { return dropped_; }
    int resyncs() const { return resyncs_; }
    int gaps() const { return gaps_; }
    int digestMismatches() const { return digestMismatches_; }
    quint64 ownDigest() const { return latest_.digest(); }

private:
    /// Makes session the current one; true when it is new.
    bool adopt(qint64 session);
    void startResync(qint64 nowMs);
    /// A gap or a differing digest: asks now, or once kMinAskMs after the last request.
    /// coveredBy: the field's answer covers the fault when it carries at least this report number.
    void wantResync(qint64 coveredBy, qint64 nowMs);
    void sendAsk(qint64 nowMs);
    /// seq: the number of the field's last report the answer covers (0: refreshed without the field).
    void finish(qint64 seq);
    void apply(const wire::StateReport& report);
    void tell();

    qint64 session_ = 0;
    QSet<qint64> ended_;
    FieldState fieldState_ = FieldState::Unknown;
    qint64 fieldSinceMs_ = 0;
    bool linkUp_ = false;
    LatestReports latest_;
    /// The highest report number received in the session (0: none yet).
    qint64 highest_ = 0;
    /// The report the last digest equal to this desk's was taken at (-1: none in this session).
    qint64 levelSeq_ = -1;

    bool resyncing_ = false;
    bool overdue_ = false;
    bool wanted_ = false;  // a gap or digest asked while requests were too frequent or a resync ran
    qint64 wantedUpTo_ = 0;
    qint64 request_ = 0;
    qint64 resyncSinceMs_ = 0;
    qint64 askedMs_ = 0;
    qint64 lastAskMs_ = -kMinAskMs;
    /// While resyncing: the last report received per address, applied again after the refresh.
    QHash<QString, wire::StateReport> received_;

    qint64 applied_ = 0;
    qint64 dropped_ = 0;
    int resyncs_ = 0;
    int gaps_ = 0;
    int digestMismatches_ = 0;
};

}  // namespace sv
