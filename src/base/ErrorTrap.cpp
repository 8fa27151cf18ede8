#include "base/ErrorTrap.h"

#include "base/CoarseClock.h"
#include "base/SiteLink.h"

namespace so {
namespace {
const QString kSource = QStringLiteral("StatusObject");

bool goesToHost(const QString& reportName) {
    return reportName.contains(QLatin1String(": ")) || reportName == QLatin1String("UpdateNames");
}
}  // namespace

ErrorInfo errorInfoFrom(const std::exception& e) {
    if (auto* db = dynamic_cast<const db::DbError*>(&e)) {
        QString text = db->message();
        if (!db->driverMessage().isEmpty())
            text += QStringLiteral(" [") + db->driverMessage() + QLatin1Char(']');
        if (!db->statement().isEmpty())
            text += QStringLiteral(" in: ") + db->statement();
        return {kDbErrorNumber, text, kSource};
    }
    if (auto* host = dynamic_cast<const HostError*>(&e))
        return {host->number(), host->message(), kSource};
    if (auto* own = dynamic_cast<const ComponentError*>(&e))
        return {own->number(), own->description(), kSource};
    if (auto* column = dynamic_cast<const MissingColumnError*>(&e))
        return {kMissingColumnNumber, QString::fromUtf8(column->what()), kSource};
    return {ComponentError::InvalidArgument, QString::fromUtf8(e.what()), kSource};
}

void refuseInput(ComponentContext& ctx, const QString& reportName, IgnoredInput::Kind kind, const QString& what,
                 const QString& why) {
    if (ctx.lifetime.ended())
        return;
    try {
        ctx.ignored.note(kind, what, ctx.errorLog);
        int heldBack = 0;
        if (!ctx.ignored.mayTellHost(kind, coarse::monotonicMs(), heldBack))
            return;
        QString text = IgnoredInput::describe(kind) + QStringLiteral(": ") + why;
        if (!what.isEmpty())
            text += QStringLiteral(" (\"") + cutForLog(what) + QStringLiteral("\")");
        if (heldBack > 0)
            text += QStringLiteral("; %1 more of this kind since the last report").arg(heldBack);
        const ErrorInfo info{ComponentError::InvalidArgument, cutForLog(text), kSource};
        if (ctx.ntConnection != nullptr)
            ctx.ntConnection->LogError(0, info, reportName, 0, 0);
    } catch (...) {
        // Never fails the call it refuses the input of: a host whose LogError throws loses it.
    }
}

void reportFailure(ComponentContext& ctx, const QString& reportName, const ErrorInfo& error, bool quiet) {
    if (ctx.lifetime.ended())
        return;  // the host deleted the component: nobody is left to tell
    try {
        if (ctx.inputDepth > 0 && !goesToHost(reportName)) {
            ctx.errorLog.reportError(error, reportName, true, ctx.dialogs);
            refuseInput(ctx, reportName, IgnoredInput::Kind::Failed, {}, error.description);
            return;
        }
        if (goesToHost(reportName)) {
            // The description quotes what failed (addresses, values, statements): cut, so a
            // hostile text cannot fill the host's log either.
            ErrorInfo quoted = error;
            quoted.description = cutForLog(error.description);
            if (ctx.ntConnection != nullptr)
                ctx.ntConnection->LogError(0, quoted, reportName, 0, 0);
            else
                ctx.errorLog.logReport(reportName + QStringLiteral(": ") + quoted.description);
            return;
        }
        ctx.errorLog.reportError(error, reportName, quiet, ctx.dialogs);
    } catch (...) {
        // The trap itself never fails: a host whose LogError throws loses the report.
    }
}

void reportCurrentException(ComponentContext& ctx, const QString& reportName) {
    try {
        throw;
    } catch (const MissingColumnError&) {
        // A user's layout without the column: the write ends silently.
    } catch (const ComponentEnded&) {
        // The host deleted the component in the call just made: the procedure stops here.
    } catch (const db::DbError& e) {
        // While the site database is unreachable or damaged the operator has been told once (a
        // box, a log line, the status bar): later failures are only counted by the link, which
        // logs their number when it is back. A lock held elsewhere marks the link busy; a damaged
        // file takes it down.
        if (ctx.siteLink != nullptr && !ctx.siteLink->isReachable()) {
            ctx.siteLink->noteFailureWhileDown();
            return;
        }
        bool linkDown = false;
        try {
            const SiteLink::Failure kind = e.isDamage() ? SiteLink::Failure::Damaged
                                           : e.isBusy() ? SiteLink::Failure::Busy
                                                        : SiteLink::Failure::Other;
            linkDown =
                ctx.siteLink != nullptr &&
                ctx.siteLink->noteDatabaseFailure(e.message() + QStringLiteral(" [") + e.driverMessage() + u']', kind);
        } catch (...) {
        }
        reportFailure(ctx, reportName, errorInfoFrom(e), linkDown);
    } catch (const std::exception& e) {
        reportFailure(ctx, reportName, errorInfoFrom(e));
    } catch (...) {
        reportFailure(ctx, reportName, {ComponentError::InvalidArgument, QStringLiteral("Unknown failure"), kSource});
    }
}

}  // namespace so
