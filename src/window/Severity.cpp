#include "window/Severity.h"

#include "base/Texts.h"
#include "grid/ColumnLayout.h"
#include "grid/RowCells.h"
#include "grid/StatusGrid.h"
#include "domain/Section.h"

namespace so {
namespace {

const QString kLockout = QStringLiteral("Lockout");
const QString kOpenItem = QStringLiteral("OPEN");

const QString kEmpty;

const QString& cellText(const StatusGrid& grid, int row, int column) {
    return column < 0 ? kEmpty : grid.cell(row, column).text;
}

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

SeverityColumns SeverityColumns::resolve(const StatusGrid& grid) {
    SeverityColumns c;
    c.status = grid.columnIndex(col::Status);
    c.alarm = grid.columnIndex(col::Alarm);
    c.masked = grid.columnIndex(col::Masked);
    c.pTamper = grid.columnIndex(col::PTamper);
    c.cTamper = grid.columnIndex(col::CTamper);
    c.enclosure = grid.columnIndex(col::Enclosure);
    c.tamperPending = grid.columnIndex(col::TamperPending);
    c.acPower = grid.columnIndex(col::ACPower);
    c.upsBattery = grid.columnIndex(col::UPSBattF);
    c.memoryBattery = grid.columnIndex(col::MemoryBatt);
    c.input1 = grid.columnIndex(col::Input1);
    return c;
}

Severity severity(const SeverityTexts& t, int section, const StatusGrid& grid, int row) {
    return severity(t, section, grid, row, SeverityColumns::resolve(grid));
}

Severity severity(const SeverityTexts& t, int section, const StatusGrid& grid, int row, const SeverityColumns& c) {
    const auto cell = [&](int column) -> const QString& { return cellText(grid, row, column); };
    const QString& status = cell(c.status);

    // Alarms: what an operator must act on.
    if (isSet(cell(c.alarm), t.yes))
        return Severity::Alarm;
    if (Section(section) == Section::Doors && !t.doorNotClosed.isEmpty() && status.contains(t.doorNotClosed))
        return Severity::Alarm;
    for (int column : {c.pTamper, c.cTamper}) {
        const QString& tamper = cell(column);
        if (isSet(tamper, t.tampered) || tamper == kLockout)
            return Severity::Alarm;
    }

    // Warnings: points that cannot report normally or are left out of alarms.
    const QString& masked = cell(c.masked);
    if (!masked.isEmpty() && masked != t.notKnown)
        return Severity::Warning;
    // A newer-line door at rest also shows "-" as its status (its line texts are neither open nor
    // closed); it is off line only when its line shows "-" too.
    const bool restingDoor = Section(section) == Section::Doors && c.input1 >= 0 && cell(c.input1) != rows::kOffline;
    if ((status == rows::kOffline && !restingDoor) || isSet(status, t.portOffLine))
        return Severity::Warning;
    if (Section(section) == Section::Inputs && status.startsWith(kOpenItem))
        return Severity::Warning;
    if (Section(section) == Section::Doors && !t.relayNotNormal.isEmpty() && status.contains(t.relayNotNormal))
        return Severity::Warning;
    if (isSet(cell(c.enclosure), t.enclosureOpen) || isSet(cell(c.tamperPending), t.tamperPending))
        return Severity::Warning;
    for (int column : {c.acPower, c.upsBattery, c.memoryBattery})
        if (isSet(cell(column), t.powerFailed))
            return Severity::Warning;
    return Severity::Normal;
}

void sortBySeverity(const SeverityTexts& texts, int section, StatusGrid& grid) {
    const SeverityColumns columns = SeverityColumns::resolve(grid);
    QVector<int> ranks(grid.rowCount());
    for (int row = 1; row <= grid.rowCount(); ++row)
        ranks[row - 1] = int(severity(texts, section, grid, row, columns));
    grid.sortByRank(ranks);
}

}  // namespace so
