// The component-wide settings of one Status instance. Every part of the component that needs the
// host, the database or a setting is handed this object; there are no globals, so two Status
// objects in one process (two workstations) never see each other's settings, texts or logs.
#pragma once

#include "base/ErrorLog.h"
#include "base/IgnoredInput.h"
#include "base/Lifetime.h"

#include <statusobject/Db.h>
#include <statusobject/Dialogs.h>
#include <statusobject/Host.h>

#include <QHash>
#include <QString>

namespace so {

class SiteLink;

/// Answers every question with "no"/cancel and shows nothing: the default before a window exists.
class SilentDialogs final : public Dialogs {
public:
    void message(const QString&, const QString&, Icon) override {}
    bool askYesNo(const QString&, const QString&) override { return false; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void setBusy(bool) override {}
};

/// The status window's layout of the current profile (loaded by LoadPersistence, saved on unload).
/// Position and size are loaded and saved but not applied: the host places the window.
struct LayoutSettings {
    qint16 dockedWhere = 0;
    qint16 frameType = 2;
    float height = 5000;
    float left = 0;
    float top = 0;
    float width = 8000;
    qint16 windowState = 0;
    /// Column layout text of sections 0 to 7 ("Use Object Default" or entries; empty until loaded).
    QString columnHeaderPos[8];
    /// True after a LoadPersistence that could not read the profile's rows: the layouts stored
    /// there were never read, so they are not saved over.
    bool columnLayoutsUnread = false;
    /// True after a SavePersistence that failed: what this session set up is kept here, the next
    /// Show does not read the stored rows over it, and the next close saves it again.
    bool unsaved = false;
};

struct ComponentContext {
    ComponentContext() = default;
    // Parts of the component keep references to it, and dialogs points at its own member.
    ComponentContext(const ComponentContext&) = delete;
    ComponentContext& operator=(const ComponentContext&) = delete;

    // Settings handed over by the host (the Status property members).
    ConsoleHost* parent = nullptr;
    SiteConnection* ntConnection = nullptr;
    db::Connection* dbConnection = nullptr;
    QString graphicsPath;
    QString computerName;
    qint32 currentProfileID = 0;
    bool timeFormat = false;
    /// The past moment a host shows the site as it was at (ms since 1970; setShownMoment); 0: live.
    qint64 shownMomentMs = 0;
    // Settings the component sets itself.
    bool rk8SupportEnabled = false;
    /// false: no device command or alarm step is offered (Status::setCommandsOffered).
    bool commandsOffered = true;
    LayoutSettings layout;

    Dialogs* dialogs = &silentDialogs;
    ErrorLog errorLog;
    IgnoredInput ignored;
    /// Open InputScopes (ErrorTrap.h): a notice or report of the host is being handled.
    int inputDepth = 0;
    /// Whether the site database answers; database failures reported by the trap go through it.
    SiteLink* siteLink = nullptr;

    /// Ended when the host deletes the Status; see Lifetime.h.
    Lifetime lifetime;

    /// The collaborators; each throws HostError / DbError when the host has not set it. The host's
    /// two throw ComponentEnded once the host deleted the component (Lifetime.h).
    ConsoleHost& host() const;
    SiteConnection& site() const;
    db::Connection& db() const;

    /// Resource texts fetched once per number (see GRS in Texts.h).
    QHash<qint32, QString> resourceCache;
    /// The host's date format with " HH:mm:ss" appended, fetched once.
    QString dateTimeFormat;

    SilentDialogs silentDialogs;
};

/// The time of day the component draws and counts by, in ms since 1970: the past moment the host
/// shows, or the wall clock.
qint64 timeOfDayMs(const ComponentContext& ctx);

}  // namespace so
