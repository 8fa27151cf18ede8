#include "window/Severity.h"

#include "shell/Texts.h"
#include "window/ColumnLayout.h"
#include "window/RowCells.h"
#include "window/StatusGrid.h"

namespace so {
namespace {

const QString kLockout = QStringLiteral("Lockout");
const QString kOpenItem = QStringLiteral("OPEN");

class Cells {
public:
    Cells(const StatusGrid& grid, int row) : grid_(grid), row_(row) {}
    const QString& operator()(const QString& key) const {
        const int column = grid_.columnIndex(key);
        return column < 0 ? empty_ : grid_.cell(row_, column).text;
    }

private:
    const StatusGrid& grid_;
    int row_;
    const QString empty_;
};

bool isSet(const QString& text, const QString& setText) { return !text.isEmpty() && text == setText; }

}  // namespace

SeverityTexts SeverityTexts::load(ComponentContext& ctx) {
    SeverityTexts t;
    t.yes = GRS(ctx, 1463);
    t.notKnown = GRS(ctx, 1435);
    t.tampered = GRS(ctx, 1436);
    t.enclosureOpen = GRS(ctx, 1438);
    t.powerFailed = GRS(ctx, 1440);
    t.tamperPending = GRS(ctx, 1444);
    t.doorNotClosed = GRS(ctx, 1453);
    t.relayNotNormal = GRS(ctx, 1769);
    t.portOffLine = GRS(ctx, 1432);
    return t;
}

Severity severity(const SeverityTexts& t, int section, const StatusGrid& grid, int row) {
    const Cells cell(grid, row);
    const QString& status = cell(col::Status);

    // Alarms: what an operator must act on.
    if (isSet(cell(col::Alarm), t.yes))
        return Severity::Alarm;
    if (section == 0 && !t.doorNotClosed.isEmpty() && status.contains(t.doorNotClosed))
        return Severity::Alarm;
    for (const QString& key : {col::PTamper, col::CTamper}) {
        const QString& tamper = cell(key);
        if (isSet(tamper, t.tampered) || tamper == kLockout)
            return Severity::Alarm;
    }

    // Warnings: points that cannot report normally or are left out of alarms.
    const QString& masked = cell(col::Masked);
    if (!masked.isEmpty() && masked != t.notKnown)
        return Severity::Warning;
    if (status == rows::kOffline || isSet(status, t.portOffLine))
        return Severity::Warning;
    if (section == 1 && status.startsWith(kOpenItem))
        return Severity::Warning;
    if (section == 0 && !t.relayNotNormal.isEmpty() && status.contains(t.relayNotNormal))
        return Severity::Warning;
    if (isSet(cell(col::Enclosure), t.enclosureOpen) || isSet(cell(col::TamperPending), t.tamperPending))
        return Severity::Warning;
    for (const QString& key : {col::ACPower, col::UPSBattF, col::MemoryBatt})
        if (isSet(cell(key), t.powerFailed))
            return Severity::Warning;
    return Severity::Normal;
}

}  // namespace so
