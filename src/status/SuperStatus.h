// Replaying the stored controller status reports of `SuperStatus` into the status window.
//
// On request (a row's "refresh" command, the host's RefreshStatusItem) the component reads the
// stored reports of a point's controller, port or communication box and turns each into the same
// per-point state changes the host reports live (LiveIntake::reportStateChange). The reports are
// read from a snapshot: one copy of the whole table, taken once per request, looked up by
// controller identifier and status type. The layout of the status texts is in SuperStatusText.h.
//
// The reports a status request replays (a point's refresh, RefreshStatusItem) go to the decoder as
// ReportMode::StatusRequest (the controller decoding then leaves a controller's on-line text alone);
// a plain GetSuperStatus replays them as current reports.
#pragma once

#include "base/ComponentContext.h"
#include "domain/SuperStatusText.h"
#include "status/StatusDecoder.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <span>

namespace so {

class LiveIntake;

/// One stored report, the columns of SuperStatus in their order.
struct StoredReport {
    QString address;
    qint32 controllerId = 0;
    qint32 statusType = 0;
    QString status;
    QString lastUpdated;
};

/// An in-memory copy of SuperStatus ("Select * From SuperStatus", read by column position).
class SuperStatusSnapshot {
public:
    /// Replaces the copy by the table's current rows.
    void load(db::Connection& db);
    /// Replaces the copy by the stored reports of these controllers, ports and communication
    /// boxes only, one statement each with the id bound: what a few rows' replay needs of a table
    /// that holds every controller of the site.
    void load(db::Connection& db, std::span<const qint32> ids);
    void release();
    bool isValid() const { return valid_; }
    /// The first stored report of a controller and status type; nullptr when there is none.
    const StoredReport* find(qint32 controllerId, qint32 statusType) const;

private:
    /// Adds the rows of rs, keeping the first of each controller and status type.
    void append(db::Recordset rs);
    static quint64 key(qint32 controllerId, qint32 statusType) {
        return (quint64(quint32(controllerId)) << 32) | quint32(statusType);
    }
    QVector<StoredReport> reports_;
    QHash<quint64, int> first_;
    bool valid_ = false;
};

class SuperStatusReplay {
public:
    SuperStatusReplay(ComponentContext& ctx, StatusDecoder& decoder, LiveIntake& intake);

    /// Takes a copy of SuperStatus for the requests that follow (until releaseSnapshot). Without
    /// one, every request takes its own copy for its duration.
    void takeSnapshot();
    /// The same, of the stored reports of these ids only (SuperStatusSnapshot::load).
    void takeSnapshot(std::span<const qint32> ids);
    void releaseSnapshot() { snapshot_.release(); }
    const SuperStatusSnapshot& snapshot() const { return snapshot_; }

    /// Replays the stored reports of a point (pointKind = object type - 1) or, with allOfController,
    /// of every installed controller whose address begins with the point's controller address.
    /// Newer-line addresses have no stored reports ("SuperStatus.RequestSuperStatus").
    void RequestSuperStatus(bool allOfController, const QString& address, qint16 pointKind);

    /// Replays the stored reports of one controller and status type; 0 means every type
    /// ("SuperStatus.GetSuperStatus").
    void GetSuperStatus(qint32 controllerId, qint32 statusType);

    /// The host's RefreshStatusItem: a controller's condition reports (types 10 and 13)
    /// ("Status.RefreshStatusItem").
    void RefreshStatusItem(qint32 controllerId);

private:
    class RequestScope;
    /// GetSuperStatus with the mode its reports reach the decoder with.
    void replayStored(qint32 controllerId, qint32 statusType, ReportMode mode);
    void replay(const StoredReport& report, ReportMode mode);
    void replayThreatLevels(const StoredReport& report, ReportMode mode);
    void replayCodes(const StoredReport& report, const QString& deviceType, ReportMode mode);
    /// Turns one decoded per-point report into per-point state changes ("SuperStatus.V_OnSuperStatus").
    void V_OnSuperStatus(const StoredReport& report, const ParsedPointStatus& parsed, ReportMode mode);
    /// Writes the entries a stored text held that could not be read to the log (no message box).
    void logProblems(const StoredReport& report, const QStringList& problems);

    ComponentContext& ctx_;
    StatusDecoder& decoder_;
    LiveIntake& intake_;
    SuperStatusSnapshot snapshot_;
};

/// Keeps one copy of SuperStatus for the requests of one refresh; released on every way out.
class SnapshotScope {
public:
    explicit SnapshotScope(SuperStatusReplay& replay) : replay_(replay) { replay_.takeSnapshot(); }
    SnapshotScope(SuperStatusReplay& replay, std::span<const qint32> ids) : replay_(replay) {
        replay_.takeSnapshot(ids);
    }
    ~SnapshotScope() { replay_.releaseSnapshot(); }
    SnapshotScope(const SnapshotScope&) = delete;
    SnapshotScope& operator=(const SnapshotScope&) = delete;

private:
    SuperStatusReplay& replay_;
};

}  // namespace so
