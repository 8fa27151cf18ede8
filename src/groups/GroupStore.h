// Status group storage: the named, stored lists of points the status window shows together.
//
// Groups live in `Status_Groups` (GroupID, GroupName, SiteID), their points in `Status_Points` in
// the order they were listed when saved. Every change is announced to the other workstations
// (SendSyncData "STATUSVIEW") and written to the operator event log (LogEvent) afterwards.
//
// The lists that show groups (the status window's group box, the configuration dialog's list) are
// not reached directly: they hook in through GroupListHooks, so the dialog and the window decide
// themselves what an added or removed group means for their entries.
#pragma once

#include "base/ComponentContext.h"

#include <statusobject/GroupPoint.h>

#include <QString>
#include <QVector>

#include <functional>
#include <optional>

namespace so {

/// One point of a group as the configuration dialog's "selected" list holds it: the stored point.
using SelectedPoint = GroupPoint;

/// Why a group name is refused; each refusal has its message text resource.
enum class GroupNameProblem {
    None,
    Empty,    // blank or invisible only, or with a control character, a direction control or a lone
              // surrogate: res::GroupNameEmpty
    TooLong,  // more than 50 characters, res::GroupNameTooLong
    Taken,    // another group has the name, res::GroupNameTaken
};

/// The text resource that tells the operator why a name was refused (0 for None).
qint32 refusalTextNumber(GroupNameProblem problem);

/// What a list of groups does when storage adds or removes a group. Unset members do nothing.
struct GroupListHooks {
    std::function<void(qint32 groupId, const QString& name)> groupCreated;
    std::function<void(qint32 groupId)> groupDeleted;
};

class GroupStore {
public:
    static constexpr int kMaxNameLength = 50;

    explicit GroupStore(ComponentContext& ctx) : ctx_(ctx) {}

    /// The status window's list: told about deleted groups.
    void setWindowHooks(GroupListHooks hooks) { window_ = std::move(hooks); }
    /// The configuration dialog's list: told about created (add and select) and deleted groups.
    void setDialogHooks(GroupListHooks hooks) { dialog_ = std::move(hooks); }

    /// The one rule for group names, applied by every path that stores or shows a new group (the
    /// dialog, createGroup, notices from other workstations): in order, not blank or invisible
    /// only and free of control characters, direction controls and lone surrogates (refused as
    /// empty), at most 50 UTF-16 units (what the site's nvarchar(50) column holds), and (when
    /// checkTaken) no stored group of that name, compared by the site database itself (without
    /// case). A failing lookup throws DbError: the check is one step of the caller's save, which
    /// runs under the caller's trap and must not go on to store anything.
    GroupNameProblem checkName(const QString& name, bool checkTaken = true);

    /// Creates a group with its points (in list order) and announces it (action 1, event 1184).
    /// Returns the new GroupID; 0 when nothing was stored (no points, a name checkName refuses, or
    /// a failure; the last two are reported under reportName). The group and its points are stored in one transaction:
    /// a failure part-way leaves no half-stored group behind.
    qint32 createGroup(const QString& name, const QVector<SelectedPoint>& points,
                       const QString& reportName = QStringLiteral("FCustom.SaveGroup"));

    /// Replaces a group's points by points (in list order) and announces it (action 3, event 1185).
    /// Removal and inserts run in one transaction: a failure part-way keeps the previous points.
    /// Returns true when the points were replaced.
    bool replacePoints(qint32 groupId, const QString& name, const QVector<SelectedPoint>& points,
                       const QString& reportName = QStringLiteral("FCustom.SaveGroup"));

    /// Deletes a group (its Status_Points rows go with it in the database) and announces it:
    /// action 2, the lists' groupDeleted hooks (window, then dialog), event 1186, then action 5.
    /// Returns true when the group was removed.
    bool deleteGroup(qint32 groupId, const QString& name,
                     const QString& reportName = QStringLiteral("FCustom.cmdStatusGroup_Click"));

    /// The stored name of a group; nothing when the site holds no such group. The truth another
    /// workstation's notice about the group is checked against. Throws DbError.
    std::optional<QString> storedName(qint32 groupId);

private:
    void insertPoints(qint32 groupId, const QVector<SelectedPoint>& points);
    void announce(qint16 action, const QString& name, qint32 groupId);
    void logEvent(const QString& action, const QString& name, qint16 eventCode);

    ComponentContext& ctx_;
    GroupListHooks window_;
    GroupListHooks dialog_;
};

}  // namespace so
