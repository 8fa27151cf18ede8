#include "desk/PastReplay.h"

#include "StartupError.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <QDateTime>
#include <QDir>

namespace sv {
namespace {

/// A desk on the past hears no reports: it shows what the copy holds.
struct NoReports final : StateSource {
    void addSink(StateSink*) override {}
    void removeSink(StateSink*) override {}
};

}  // namespace

PastReplay::PastReplay(PastSource& source, Desk desk)
    : PastCursor(source, [this](const PastAnswer& past) { showBoard(past); }), setup_(std::move(desk)),
      quietField_(std::make_unique<NoReports>()) {}

PastReplay::~PastReplay() {
    desk_.reset();  // the desk's connection closes before the copy's folder goes
}

void PastReplay::showBoard(const PastAnswer& past) {
    if (desk_ == nullptr) {
        openDesk(past);  // its load drew the copy
        return;
    }
    past.writeInto(desk_->database());
    desk_->status().setShownMoment(QDateTime::fromMSecsSinceEpoch(past.moment));
    desk_->refreshAllRows();
}

void PastReplay::openDesk(const PastAnswer& past) {
    if (!folder_.isValid())
        throw StartupError(QStringLiteral("no folder for a copy of the site: %1").arg(folder_.errorString()));
    const QString path = QDir(folder_.path()).filePath(QStringLiteral("past.db"));
    past.copySite(*setup_.site, path);
    WorkstationOptions options = setup_.options;
    options.siteUrl = QStringLiteral("sqlite:") + path;
    options.host.readOnly = true;
    options.host.interactive = false;
    options.alarms = nullptr;
    options.past = nullptr;
    options.shownMoment = past.moment;
    HostServices services = setup_.services;
    services.field = nullptr;
    services.bus = &quietBus_;
    desk_ = std::make_unique<Workstation>(options, services, *quietField_, quietBus_);
    if (!setup_.group.isEmpty())
        desk_->showGroup(setup_.group);
}

}  // namespace sv
