// A replay of the site's past at one desk: a second desk opened read-only on a scratch copy of
// the site with the board of a moment written into it. The operator steps through the reports
// around the moment one at a time (host/PastCursor.h; each step writes the board at the next
// report's time into the copy and the desk re-reads its rows) or plays them at a chosen speed.
//
// The past desk can command nothing: its rows' menus and attention list offer no command or alarm
// step (Status::setCommandsOffered), its host refuses every operator permission all the same and
// has no field to send one to. The copy lives in a folder of its own,
// removed with the replay; the site itself is never written.
#pragma once

#include "desk/Workstation.h"
#include "host/PastCursor.h"
#include "host/SyncBus.h"

#include <QTemporaryDir>

#include <memory>

namespace sv {

class PastReplay final : public PastCursor {
public:
    /// What the past desk is opened as: the live desk's options and services (the site URL, the
    /// field and the notices' bus are replaced), the site the copy is made of and the group shown.
    struct Desk {
        so::db::Connection* site = nullptr;
        WorkstationOptions options;
        HostServices services;
        QString group;
    };

    PastReplay(PastSource& source, Desk desk);
    ~PastReplay() override;

    /// The desk showing the past; null before the first board came or when it could not be shown.
    Workstation* desk() { return desk_.get(); }

private:
    void showBoard(const PastAnswer& past);
    void openDesk(const PastAnswer& past);

    Desk setup_;
    QTemporaryDir folder_;
    SyncBus quietBus_;
    std::unique_ptr<StateSource> quietField_;
    std::unique_ptr<Workstation> desk_;
};

}  // namespace sv
