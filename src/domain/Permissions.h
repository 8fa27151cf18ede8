// The operator's permissions, the points outside the operator's boundaries, exclusive locks on
// shared configuration, and the names of dial-up port states.
#pragma once

#include "base/ComponentContext.h"

#include <statusobject/CommandRule.h>

#include <QString>

namespace so {

/// The host's answer to PermissionGranted(10, number); false after a failure
/// ("MPublic.CheckOperatorPermission").
bool CheckOperatorPermission(ComponentContext& ctx, qint32& number);

/// The host's answer to PermissionGranted(14, number) (may the operator see a status group);
/// false after a failure ("MPublic.CheckSyncPermission").
bool CheckSyncPermission(ComponentContext& ctx, qint32& number);

/// True when no boundary of the operator's groups (object type 21, workstation 1) names the
/// address, i.e. the operator may command the point; false when one does or the query fails
/// ("MPublic.CheckRolePoint"). The address and the operator id are bound as parameters.
bool CheckRolePoint(ComponentContext& ctx, const QString& address);

/// The window's operator's answers to the command rule's questions (statusobject/CommandRule.h):
/// each asked under its own trap above, a failure denying, and each asked once for the life of the
/// answers (a menu asks the same questions for many of its entries).
CommandRuleAnswers windowOperatorAnswers(ComponentContext& ctx);

/// Takes the host's lock on a shared component. When another holder has it, optionally tells the
/// operator who (resource 74 with extraText, else 72; title 3807) and returns false. Otherwise
/// asks the host for the lock and returns whether it was granted ("MPublic.LockComponentA").
bool LockComponentA(ComponentContext& ctx, qint32 kind, qint32 id, bool showMessage, const QString& extraText);

/// The name of a dial-up state 0-9 ("Idle" ... "Ring..."); another code is a failure logged under
/// "MPublic.GetDialupState" and gives empty text.
QString GetDialupState(ComponentContext& ctx, qint16 code);

}  // namespace so
