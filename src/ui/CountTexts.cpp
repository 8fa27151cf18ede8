#include "ui/CountTexts.h"

#include <QLocale>

namespace so {

QString CountTexts::points(const SectionCounts& counts) {
    return counts.shown == counts.points
               ? tr("%Ln point(s)", nullptr, counts.points)
               : tr("%1 of %Ln point(s)", nullptr, counts.points).arg(QLocale().toString(counts.shown));
}

QString CountTexts::alarms(const SectionCounts& counts) {
    return counts.alarms == 0 ? QString() : tr("%Ln alarm(s)", nullptr, counts.alarms);
}

QString CountTexts::warnings(const SectionCounts& counts) {
    return counts.warnings == 0 ? QString() : tr("%Ln warning(s)", nullptr, counts.warnings);
}

}  // namespace so
