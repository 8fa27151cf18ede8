// Sequences of the host's state changes on a filled window: known and unknown device type words
// in any letter case, the window's own addresses, addresses bent out of shape and arbitrary texts,
// any state byte, times and values well-formed or not, and now and then the quiet-period timer
// running the full refresh in between.
#include "FuzzInput.h"
#include "FuzzSite.h"
#include "FuzzTargets.h"

#include "window/StatusWindow.h"

#include <QDateTime>

namespace so::fuzz {
namespace {

const QStringList kDeviceTypes = {
    QStringLiteral("CONTROLLER"),
    QStringLiteral("CONTROLLER_THREAT_LEVEL"),
    QStringLiteral("CONTROLLER_ENABLED"),
    QStringLiteral("READER"),
    QStringLiteral("READER_THREAT_LEVEL"),
    QStringLiteral("PYLON"),
    QStringLiteral("PYLON_ENABLED"),
    QStringLiteral("PORT"),
    QStringLiteral("PORT_ENABLED"),
    QStringLiteral("STD_RELAY"),
    QStringLiteral("STD_INPUT"),
    QStringLiteral("STD_INPUTV"),
    QStringLiteral("EXP_RELAY"),
    QStringLiteral("EXP_INPUT"),
    QStringLiteral("EXP_INPUTV"),
    QStringLiteral("ZR2_RELAY"),
    QStringLiteral("ZR2_INPUT"),
    QStringLiteral("ZR2_MODULE"),
    QStringLiteral("ZR2_CONTROLLER"),
    QStringLiteral("STD_InputV"),
    QStringLiteral("reader"),
};

const QStringList kCodes = {QStringLiteral("DR"), QStringLiteral("BI"), QStringLiteral("BR"), QStringLiteral("SM"),
                            QStringLiteral("XI"), QStringLiteral("XR"), QStringLiteral("RL"), QStringLiteral("VR"),
                            QStringLiteral("CA"), QStringLiteral("PY")};

QString deviceType(FuzzInput& in) {
    switch (in.below(8)) {
    case 0: return in.text(24);
    case 1: return in.pick(kDeviceTypes).toLower();
    default: return in.pick(kDeviceTypes);
    }
}

QString address(FuzzInput& in, const QStringList& known) {
    const QString& base = in.pick(known);
    switch (in.below(10)) {
    case 0: return in.text(40);
    case 1: return base.left(in.below(int(base.size()) + 1));                                      // cut short
    case 2: return base + in.text(6);                                                              // longer
    case 3: return base.left(qMax<qsizetype>(0, base.size() - 4)) + in.pick(kCodes) + in.text(3);  // another point
    case 4: return base.toLower();
    default: return base;
    }
}

QString reportTime(FuzzInput& in, FuzzSite& site) {
    switch (in.below(4)) {
    case 0: return {};
    case 1: return in.text(24);
    default: {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(1735689600 + (in.int32() & 0x3ffffff));
        return when.toString(site.host().dateFormat + QStringLiteral(" HH:mm:ss"));
    }
    }
}

QString value(FuzzInput& in) {
    switch (in.below(6)) {
    case 0: return {};
    case 1: return QString::number(in.below(256));
    case 2: return QString::number(in.int32());
    case 3: return in.text(16);
    case 4: return QString::number(in.below(8));  // threat levels, dial-up states
    default: return {};
    }
}

}  // namespace

int stateChanges(const std::uint8_t* data, std::size_t size) {
    FuzzSite& site = FuzzSite::instance();
    site.beginInput();
    Status& status = site.status();
    StatusWindow& window = site.window();
    const qint64 changesBefore = site.databaseChanges();
    const std::array<int, 8> rowsBefore = site.rowCounts();

    FuzzInput in(data, size);
    bool refreshed = false;
    for (int calls = 0; !in.empty() && calls < 256; ++calls) {
        if (in.below(128) == 0 && !refreshed) {
            // The host asked for a refresh, and 25 quiet ticks pass: the full refresh runs once.
            refreshed = true;
            status.RefreshStatus();
            for (int tick = 0; tick <= StatusWindow::kQuietTicksBeforeRefresh; ++tick)
                window.refreshTimerTick();
            continue;
        }
        const QString type = deviceType(in);
        const QString where = address(in, site.addresses());
        const quint8 state = in.byte();
        const QString when = reportTime(in, site);
        status.StateChange(type, where, state, when, value(in));
    }

    check(site.databaseChanges() == changesBefore, QStringLiteral("a state change wrote the database"));
    check(site.rowCounts() == rowsBefore, QStringLiteral("a state change added or removed section rows"));
    site.checkAddressIndexes();
    return 0;
}

}  // namespace so::fuzz
