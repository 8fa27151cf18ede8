// The rule by which an operator may send a device command to a point. The status window offers a
// command by it (its row menus), and the field of a multi-desk site executes a desk's command only
// by it, asking the site database for the operator the command names: one rule, two places.
#pragma once

#include <statusobject/Db.h>
#include <statusobject/Export.h>

#include <QString>

#include <functional>

namespace so {

/// The host's permission kind of operator permissions (PermissionGranted(kind, number)).
inline constexpr qint16 kOperatorPermissionKind = 10;
/// The operator permission every device command needs.
inline constexpr qint32 kCommandPermission = 63;

/// Who answers the rule's two questions for one operator.
struct CommandRuleAnswers {
    /// Whether the operator holds operator permission `number` (kind kOperatorPermissionKind).
    std::function<bool(qint32& number)> operatorPermission;
    /// Whether no boundary of the operator's groups names the address.
    std::function<bool(const QString& address)> outsideBoundaries;
};

/// True when the operator holds the command permission and the point at address lies outside the
/// operator's boundaries. Both questions are asked every time; what an answer throws goes to the
/// caller.
STATUSOBJECT_EXPORT bool mayCommandPoint(const QString& address, const CommandRuleAnswers& answers);

/// True when no boundary of the operator's groups (object type 21, workstation 1) names the address.
/// The address and the operator id are bound as parameters. Throws db::DbError.
STATUSOBJECT_EXPORT bool outsideOperatorBoundaries(db::Connection& db, qint32 operatorId, const QString& address);

}  // namespace so
