#include "window/Severity.h"

#include "grid/StatusGrid.h"

#include <QCoreApplication>
#include <QVector>

namespace so {
namespace {

using C = Condition;
constexpr RowConditions kNothing;

// A door's relay not in its normal state is the door unlocked (an operator's unlock, a schedule,
// a granted access). An opened door is forced while locked, held while unlocked; an alarm of a
// closed door or of an input is its own line. A masked point's alarm only warns.
//
// A supervised line that reads open or short is cut or bridged: the contact behind it can no longer
// report, which is how a door or an input is defeated, so it is an alarm like a tamper, unless the
// point is masked (left out of alarms on purpose: then it warns). A line out of tolerance
// (a line fault) or noisy still reports; it needs a technician, not a guard: a warning.
constexpr SeverityRule kSeverityRules[] = {
    {C::Alarm | C::DoorNotClosed, C::RelayNotNormal | C::Masked, Severity::Alarm,
     QT_TRANSLATE_NOOP("so::Severity", "Forced open")},
    {C::Alarm | C::DoorNotClosed | C::RelayNotNormal, C::Masked, Severity::Alarm,
     QT_TRANSLATE_NOOP("so::Severity", "Held open")},
    {C::Alarm, C::DoorNotClosed | C::Masked, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "In alarm")},
    {C::PhysicalTamper, kNothing, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Tamper")},
    {C::CodeTamper, kNothing, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Code tamper")},
    {C::EnclosureOpen, kNothing, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Enclosure tamper")},
    {C::TamperPending, kNothing, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Tamper pending")},
    {C::LineOpen, C::Masked, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Line open")},
    {C::LineShort, C::Masked, Severity::Alarm, QT_TRANSLATE_NOOP("so::Severity", "Line short")},
    {C::LineOpen | C::Masked, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Line open")},
    {C::LineShort | C::Masked, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Line short")},
    {C::Alarm | C::Masked, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "In alarm, masked")},
    {C::Masked, C::Alarm, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Masked")},
    {C::DoorNotClosed, C::Alarm | C::RelayNotNormal, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Open")},
    {C::DoorNotClosed | C::RelayNotNormal, C::Alarm, Severity::Warning,
     QT_TRANSLATE_NOOP("so::Severity", "Open, unlocked")},
    {C::RelayNotNormal, C::DoorNotClosed, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Unlocked")},
    {C::RelayForced, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Relay forced")},
    {C::InputOpen, C::Alarm, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Open")},
    {C::LineFault, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Line fault")},
    {C::LineNoisy, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Line noisy")},
    {C::Offline, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Off line")},
    {C::PowerFailed, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "AC power failed")},
    {C::MemoryBatteryFailed, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "Memory battery failed")},
    {C::UpsBatteryFailed, kNothing, Severity::Warning, QT_TRANSLATE_NOOP("so::Severity", "UPS battery failed")},
};

bool matches(const SeverityRule& rule, RowConditions conditions) {
    return (conditions | rule.all) == conditions && !conditions.any(rule.none);
}

}  // namespace

std::span<const SeverityRule> severityRules() { return kSeverityRules; }

Severity severity(RowConditions conditions) {
    Severity highest = Severity::Normal;
    if (conditions.empty())
        return highest;
    for (const SeverityRule& rule : kSeverityRules)
        if (rule.severity > highest && matches(rule, conditions))
            highest = rule.severity;
    return highest;
}

Severity severity(const StatusGrid& grid, int row) { return severity(grid.conditions(row)); }

QString conditionWords(RowConditions conditions) {
    QString words;
    if (conditions.empty())
        return words;
    for (const SeverityRule& rule : kSeverityRules) {
        if (!matches(rule, conditions))
            continue;
        if (!words.isEmpty())
            words += QLatin1String(", ");
        words += QCoreApplication::translate("so::Severity", rule.words);
    }
    return words;
}

void sortBySeverity(StatusGrid& grid) {
    QVector<int> ranks(grid.rowCount());
    for (int row = 1; row <= grid.rowCount(); ++row)
        ranks[row - 1] = int(severity(grid, row));
    grid.sortByRank(ranks);
}

}  // namespace so
