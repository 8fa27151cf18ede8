// Notifications from other workstations on a filled window: the topic in any spelling, every
// action number and some beyond, data put together from group names, identifiers, the window's
// addresses, kinds and states (or arbitrary text), from this and from other workstations.
#include "FuzzInput.h"
#include "FuzzSite.h"
#include "FuzzTargets.h"

#include "window/StatusWindow.h"

namespace so::fuzz {
namespace {

const QStringList kKinds = {QStringLiteral("CONT"), QStringLiteral("PYLON"), QStringLiteral("PORT"), QString(),
                            QStringLiteral("cont")};

QString topic(FuzzInput& in) {
    switch (in.below(6)) {
    case 0: return in.text(16);
    case 1: return QStringLiteral("statusview");
    case 2: return QStringLiteral("STATUSVIEWER");
    default: return QStringLiteral("STATUSVIEW");
    }
}

qint32 action(FuzzInput& in) {
    switch (in.below(8)) {
    case 0: return in.int32();
    default: return in.below(11);
    }
}

/// One part of the data: a name, a number, an address, a kind, or arbitrary text.
QString part(FuzzInput& in, FuzzSite& site) {
    switch (in.below(8)) {
    case 0: return in.text(24);
    case 1: return QString::number(in.int32());
    case 2: return QString::number(site.site().smallGroupId);
    case 3: return QString::number(in.below(300));
    case 4: return in.pick(kKinds);
    case 5: return QStringLiteral(" ") + in.pick(site.addresses()) + QStringLiteral(" ");
    default: return in.pick(site.addresses());
    }
}

QString data(FuzzInput& in, FuzzSite& site) {
    QStringList parts;
    for (int n = in.below(4); n >= 0; --n)
        parts << part(in, site);
    return parts.join(QLatin1Char('|'));
}

QString sender(FuzzInput& in, FuzzSite& site) {
    switch (in.below(4)) {
    case 0: return site.host().workstationId;
    case 1: return in.text(8);
    default: return QStringLiteral("WS2");
    }
}

}  // namespace

int syncPipe(const std::uint8_t* bytes, std::size_t size) {
    FuzzSite& site = FuzzSite::instance();
    site.beginInput();
    const qint64 changesBefore = site.databaseChanges();

    FuzzInput in(bytes, size);
    for (int calls = 0; !in.empty() && calls < 64; ++calls) {
        const QString sType = topic(in);
        const qint32 lData = action(in);
        const QString vData = data(in, site);
        const QString from = sender(in, site);
        site.status().SyncPipe(sType, lData, vData, from, in.text(8));
    }

    check(site.databaseChanges() == changesBefore, QStringLiteral("a notification wrote the database"));
    site.checkAddressIndexes();
    return 0;
}

}  // namespace so::fuzz
