// The rule by which an operator may send a device command, and the points a command acts on. The
// status window offers a command by it (its row menus, entry by entry), and the field of a
// multi-desk site executes a desk's command only by it, asking the site database for the operator
// the command names: one rule, two places. Both sides resolve a classic command to its points with
// classicCommandPoints, so a door's relay or input command is checked against the door as well
// wherever it is asked.
#pragma once

#include <statusobject/Db.h>
#include <statusobject/Export.h>

#include <QString>
#include <QStringList>

#include <functional>

namespace so {

/// The host's permission kind of operator permissions (PermissionGranted(kind, number)).
inline constexpr qint16 kOperatorPermissionKind = 10;
/// The operator permission every device command needs.
inline constexpr qint32 kCommandPermission = 63;
/// The operator permissions of the alarm steps: acknowledging an alarm, shelving a point.
inline constexpr qint32 kAcknowledgePermission = 64;
inline constexpr qint32 kShelvePermission = 65;

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

/// The rule with another permission (an alarm step: kAcknowledgePermission, kShelvePermission):
/// the operator holds `permission` and the point lies outside the operator's boundaries.
STATUSOBJECT_EXPORT bool mayActOnPoint(qint32 permission, const QString& address, const CommandRuleAnswers& answers);

/// True when the command acts on at least one point and the operator may command every one of
/// them (mayCommandPoint for each, in order; the first refusal ends the questions).
STATUSOBJECT_EXPORT bool mayCommandPoints(const QStringList& addresses, const CommandRuleAnswers& answers);

/// The points a classic controller command acts on, by address. `command` is
/// "CALL_API|DOORFUNCTION|<function>" or "CALL_API|CONTROLFUNCTION|<function>"; the control
/// functions MASK, UNMASK and MOMENTARY_MASK act on an input, every other function on a relay. Points 1 to 8
/// are on the controller's board ("BI"/"BR" n), points from 9 on its expansion boards ("XI"/"XR"
/// n - 8). An on-board point n is door n's, so door n ("DR" n) is commanded too and listed last.
/// Empty for a text that is no classic command or a point number below 1.
STATUSOBJECT_EXPORT QStringList classicCommandPoints(const QString& controllerAddress, const QString& command,
                                                     qint16 pointNumber);

/// True when no boundary of the operator's groups (object type 21, workstation 1) names the address.
/// The address and the operator id are bound as parameters. Throws db::DbError.
STATUSOBJECT_EXPORT bool outsideOperatorBoundaries(db::Connection& db, qint32 operatorId, const QString& address);

}  // namespace so
