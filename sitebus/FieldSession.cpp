#include "FieldSession.h"

#include <algorithm>

namespace sv {
namespace {

/// 64-bit FNV-1a over the UTF-16 code units: the same in every process and on every machine.
quint64 fnv(quint64 h, const QString& text) {
    for (const QChar c : text) {
        h = (h ^ c.unicode()) * 0x100000001b3ULL;
    }
    return (h ^ 0xffffU) * 0x100000001b3ULL;  // ends the field, so "ab"+"c" differs from "a"+"bc"
}

}  // namespace

// ---- LatestReports

quint64 LatestReports::hashOf(const wire::StateReport& report) {
    quint64 h = 0xcbf29ce484222325ULL;
    h = fnv(h, report.deviceType);
    h = fnv(h, report.address);
    h = (h ^ report.state) * 0x100000001b3ULL;
    h = fnv(h, report.value);
    // A final mix, so that reports differing in one bit change many bits of the exclusive-or.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

bool LatestReports::accept(const wire::StateReport& report) {
    auto it = last_.find(report.address);
    if (it == last_.end()) {
        const quint64 hash = hashOf(report);
        last_.insert(report.address, {report, hash});
        digest_ ^= hash;
        return true;
    }
    if (report.seq <= it->report.seq)
        return false;
    const quint64 hash = hashOf(report);
    digest_ ^= it->hash ^ hash;
    *it = {report, hash};
    return true;
}

QVector<wire::StateReport> LatestReports::all() const {
    QVector<wire::StateReport> reports;
    reports.reserve(last_.size());
    for (const Kept& kept : last_)
        reports.append(kept.report);
    return reports;
}

void LatestReports::clear() {
    last_.clear();
    digest_ = 0;
}

// ---- OutgoingReports

void OutgoingReports::push(const wire::StateReport& report) {
    const auto it = index_.constFind(report.address);
    if (it != index_.constEnd()) {
        items_[*it] = report;
        ++lost_;
        return;
    }
    if (size() >= capacity_) {
        index_.remove(items_[head_].address);
        items_[head_++] = {};
        ++lost_;
        compact();
    }
    index_.insert(report.address, items_.size());
    items_.append(report);
}

QVector<wire::StateReport> OutgoingReports::take(qsizetype count) {
    const qsizetype n = std::min(count, size());
    QVector<wire::StateReport> out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        index_.remove(items_[head_].address);
        out.append(std::move(items_[head_++]));
    }
    compact();
    return out;
}

void OutgoingReports::compact() {
    if (head_ == items_.size()) {
        items_.clear();
        head_ = 0;
        return;
    }
    if (head_ < 4096 || head_ * 2 < items_.size())
        return;
    items_.remove(0, head_);
    head_ = 0;
    for (qsizetype i = 0; i < items_.size(); ++i)
        index_[items_[i].address] = i;
}

// ---- DeskSession

bool DeskSession::adopt(qint64 session) {
    if (session == session_)
        return false;
    if (session_ != 0)
        ended_.insert(session_);
    session_ = session;
    latest_.clear();
    highest_ = 0;
    levelSeq_ = -1;
    wanted_ = false;
    wantedUpTo_ = 0;
    return true;
}

void DeskSession::linkUp(qint64 nowMs) {
    linkUp_ = true;
    startResync(nowMs);
}

void DeskSession::linkDown(qint64) {
    linkUp_ = false;
    resyncing_ = false;
    overdue_ = false;
    received_.clear();
    tell();
}

void DeskSession::online(qint64 session, qint64 nowMs) {
    if (ended_.contains(session))
        return;
    const bool fresh = adopt(session);
    const bool cameBack = fieldState_ == FieldState::Offline;
    if (fieldState_ != FieldState::Online || fresh)
        fieldSinceMs_ = nowMs;
    fieldState_ = FieldState::Online;
    if (resyncing_)
        sendAsk(nowMs);  // the field (re)connected after the request: it may have missed it
    else if (linkUp_ && (fresh || cameBack))
        startResync(nowMs);
    tell();
}

void DeskSession::offline(qint64 session, qint64 nowMs) {
    if (ended_.contains(session))
        return;
    // A session this desk has not seen online (it lived and died while the desk was away) is the
    // newest news all the same: the one before it has ended too.
    adopt(session);
    if (fieldState_ != FieldState::Offline)
        fieldSinceMs_ = nowMs;
    fieldState_ = FieldState::Offline;
    tell();
}

void DeskSession::states(const wire::StateBatch& batch, qint64 nowMs) {
    if (ended_.contains(batch.session)) {
        dropped_ += batch.reports.size();
        return;
    }
    if (adopt(batch.session)) {
        // The field's announcement has not come yet (or was lost): its reports say it is there.
        fieldState_ = FieldState::Online;
        fieldSinceMs_ = nowMs;
        if (resyncing_)
            sendAsk(nowMs);
        else if (linkUp_)
            startResync(nowMs);
        tell();
    }
    if (batch.reports.isEmpty())
        return;
    const qint64 last = batch.firstSeq + batch.reports.size() - 1;
    if (highest_ > 0 && batch.firstSeq > highest_ + 1) {
        ++gaps_;
        wantResync(batch.firstSeq - 1, nowMs);
    }
    highest_ = std::max(highest_, last);
    for (const wire::StateReport& report : batch.reports)
        apply(report);
}

void DeskSession::apply(const wire::StateReport& report) {
    if (!latest_.accept(report)) {
        ++dropped_;
        return;
    }
    ++applied_;
    if (resyncing_)
        received_.insert(report.address, report);
    if (deliver)
        deliver(report);
}

void DeskSession::digest(qint64 session, qint64 seq, quint64 theirs, qint64 nowMs) {
    // Comparable only when this desk holds exactly the reports the digest was taken over.
    if (session != session_ || resyncing_ || !linkUp_ || seq != highest_)
        return;
    if (theirs == latest_.digest()) {
        // Level twice at the same report: the field reported nothing between the two digests, so
        // the site holds exactly the states this desk's rows were drawn from (its own writes
        // between two digests may hold newer ones while it reports).
        if (seq == levelSeq_ && level)
            level();
        levelSeq_ = seq;
        return;
    }
    ++digestMismatches_;
    wantResync(seq, nowMs);
}

void DeskSession::snapshot(const wire::Snapshot& part, const QString& deskId, qint64 nowMs) {
    if (!resyncing_ || part.requester != deskId || part.number != request_ || ended_.contains(part.session))
        return;
    if (adopt(part.session)) {
        fieldState_ = FieldState::Online;
        fieldSinceMs_ = nowMs;
    }
    // The site holds these states already (the field answers once they are written): the refresh
    // that ends the resync shows them; they only bring this desk's digest level with the field's.
    for (const wire::StateReport& report : part.reports)
        latest_.accept(report);
    if (part.last)
        finish(part.seq);
}

void DeskSession::tick(qint64 nowMs) {
    if (resyncing_ && nowMs - askedMs_ >= kRetryMs) {
        if (fieldState_ == FieldState::Online) {
            overdue_ = true;
            sendAsk(nowMs);
            tell();
        } else {
            // No field to answer: what the site holds is all there is.
            wanted_ = false;
            finish(0);
        }
    } else if (wanted_ && !resyncing_ && linkUp_ && (nowMs - lastAskMs_ >= kMinAskMs || nowMs < lastAskMs_)) {
        startResync(nowMs);
    }
}

void DeskSession::wantResync(qint64 coveredBy, qint64 nowMs) {
    wanted_ = true;
    wantedUpTo_ = std::max(wantedUpTo_, coveredBy);
    if (!resyncing_ && linkUp_ && (nowMs - lastAskMs_ >= kMinAskMs || nowMs < lastAskMs_))
        startResync(nowMs);
}

void DeskSession::startResync(qint64 nowMs) {
    resyncing_ = true;
    overdue_ = false;
    received_.clear();
    ++request_;
    resyncSinceMs_ = nowMs;
    lastAskMs_ = nowMs;
    sendAsk(nowMs);
    tell();
}

void DeskSession::sendAsk(qint64 nowMs) {
    askedMs_ = nowMs;
    if (linkUp_ && ask)
        ask(request_);
}

void DeskSession::finish(qint64 seq) {
    resyncing_ = false;
    overdue_ = false;
    ++resyncs_;
    highest_ = std::max(highest_, seq);
    if (seq >= wantedUpTo_)
        wanted_ = false;
    if (refreshRows)
        refreshRows();
    // What arrived while the refresh was prepared is at least as new as what the site database held.
    const QHash<QString, wire::StateReport> again = std::exchange(received_, {});
    if (deliver)
        for (const wire::StateReport& report : again)
            deliver(report);
    tell();
}

void DeskSession::tell() {
    if (changed)
        changed();
}

}  // namespace sv
