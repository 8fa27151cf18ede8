// The error trap every procedure of the component runs under.
//
//   trap(ctx, "FMain.FillPoints", [&] { ... });
//   QString s = trapOr(ctx, "MPublic.GetDoorStatus", QString(), [&] { return ...; });
//
// A failure inside the body (DbError, HostError, ComponentError, any std::exception) is reported
// under the given name and the call returns normally; what the body did before the failure stays
// done. The form of the name picks the channel: a name with ": " (and "UpdateNames") goes to the
// host's LogError, any other name to the component's log file and a message box. A missing column
// key (MissingColumnError) ends the body silently.
#pragma once

#include "base/ComponentContext.h"
#include "base/Errors.h"

#include <QString>
#include <exception>
#include <utility>

namespace so {

/// The error as the log and the host see it.
ErrorInfo errorInfoFrom(const std::exception& e);

/// Reports an error under reportName through the channel its form selects. Never throws.
void reportFailure(ComponentContext& ctx, const QString& reportName, const ErrorInfo& error, bool quiet = false);

/// Runs the current exception (inside a catch block) through reportFailure.
void reportCurrentException(ComponentContext& ctx, const QString& reportName);

/// Runs body under the trap; true when it finished without a failure.
template <class Body>
bool trap(ComponentContext& ctx, const QString& reportName, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        reportCurrentException(ctx, reportName);
        return false;
    }
}

/// Runs body under the trap; its result, or fallback after a failure.
template <class Result, class Body>
Result trapOr(ComponentContext& ctx, const QString& reportName, Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        reportCurrentException(ctx, reportName);
        return fallback;
    }
}

}  // namespace so
