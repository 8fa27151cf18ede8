// The error trap every procedure of the component runs under.
//
//   trap(ctx, "FMain.FillPoints", [&] { ... });
//   QString s = trapOr(ctx, "MPublic.GetDoorStatus", QString(), [&] { return ...; });
//
// A failure inside the body (DbError, HostError, ComponentError, any std::exception) is reported
// under the given name and the call returns normally; what the body did before the failure stays
// done. The form of the name picks the channel: a name with ": " (and "UpdateNames") goes to the
// host's LogError, any other name to the component's log file and a message box. A missing column
// key (MissingColumnError) ends the body silently, and so does a host call made after the host
// deleted the component (ComponentEnded, Lifetime.h). While an InputScope is open (the host's notices
// and reports), a failure shows no box: it is logged and goes to the host as refused input.
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

/// Input the component cannot use (see IgnoredInput.h): counted, the first of its kind logged, and
/// told to the host's LogError under reportName with `why` and a quote of `what`, at most once a
/// kind per IgnoredInput::kHostIntervalMs (the next report says how many were held back). Never
/// throws.
void refuseInput(ComponentContext& ctx, const QString& reportName, IgnoredInput::Kind kind, const QString& what,
                 const QString& why);

/// Open while the component handles a notice or report the host handed over: a failure then is
/// the input's or the site's, not the operator's to acknowledge, and shows no box (reportFailure).
class InputScope {
public:
    explicit InputScope(ComponentContext& ctx) : ctx_(ctx) { ++ctx_.inputDepth; }
    ~InputScope() { --ctx_.inputDepth; }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

private:
    ComponentContext& ctx_;
};

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
