// What other workstations and the host tell the window about groups and points: the notices of
// SyncPipe (one table row per action: whether this workstation's own notice is skipped and what
// handles it) and a point's new name (UpdateNames). A notice says only what changed; the group box
// and the rows re-read the site's stored truth, never the notice's data.
#pragma once

#include "domain/Section.h"

#include <QString>
#include <QVector>

#include <span>

namespace so {

struct ComponentContext;
class GroupStore;
class LiveIntake;
class StatusWindow;

/// A row a configuration notice re-reads: what DBStatusUpdate renews (RefreshTarget::ZR2Controller
/// for a newer-line controller's row) and the address its row holds.
struct NoticeTarget {
    RefreshTarget target = RefreshTarget::Door;
    QString address;
    bool operator==(const NoticeTarget&) const = default;
};

/// The rows a configuration notice about `address` re-reads, in order. A newer-line reader ("RL"),
/// module ("MD"), relay of no door ("VR") or controller (no point part) re-reads its own row.
/// Otherwise the point code decides (classifyAddress); an address without one is a controller,
/// communication box or port by its length or else by `kind`, the notice's kind word ("CONT",
/// "PYLON", "PORT"). An input's and a relay's door is found under the door's own address (BI, BR
/// -> DR). A classic reader's own row has nothing to re-read: only its door's is.
QVector<NoticeTarget> noticeTargets(const QString& address, const QString& kind);

class Notices {
public:
    Notices(ComponentContext& ctx, StatusWindow& window, GroupStore& groups, LiveIntake& intake);

    /// One notice as the host relays it. Another topic or an unknown action changes nothing and is
    /// counted as ignored input; data that cannot be read throws ComponentError (the caller's trap
    /// reports it).
    void receive(const QString& topic, qint32 action, const QString& data, const QString& sender);

    /// The host renamed a point: the first row of `address` in each section shows `name`.
    void renamePoint(const QString& name, const QString& address);

    /// One row of the notice table.
    struct Kind {
        qint32 action;
        /// A notice this workstation sent itself changes nothing (its own change is already shown).
        bool skipOwn;
        /// The kind word refreshPoint is given (the enabled-flag notices name what they are about).
        const char* kindWord;
        void (Notices::*handle)(const QString& data, const Kind& kind);
    };
    /// Every action this component reads, once each.
    static std::span<const Kind> kinds();

private:
    void groupCreated(const QString& data, const Kind& kind);
    void groupDeleted(const QString& data, const Kind& kind);
    void groupChanged(const QString& data, const Kind& kind);
    void pointConfigured(const QString& data, const Kind& kind);
    void pointConfiguredOfKind(const QString& data, const Kind& kind);
    void enabledChanged(const QString& data, const Kind& kind);
    void visibleGroupsChanged(const QString& data, const Kind& kind);
    /// Re-reads the rows of a point whose configuration changed (noticeTargets).
    void refreshPoint(const QString& address, const QString& kind);

    static const Kind kKinds[];

    ComponentContext& ctx_;
    StatusWindow& window_;
    GroupStore& groups_;
    LiveIntake& intake_;
};

}  // namespace so
