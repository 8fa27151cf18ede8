#pragma once

#include "grid/RowFilter.h"

#include <QCoreApplication>
#include <QString>

namespace so {

/// How a section header and the total read a section's counts, with the plural forms of the
/// window's language: "300 points", "12 of 300 points" while a filter hides some, "1 alarm".
class CountTexts {
    Q_DECLARE_TR_FUNCTIONS(so::CountTexts)

public:
    static QString points(const SectionCounts& counts);
    /// Empty for none; the same for warnings.
    static QString alarms(const SectionCounts& counts);
    static QString warnings(const SectionCounts& counts);
};

}  // namespace so
