// A LastUpdated cell's content, typed: what the row shows and the time it stands for.
#pragma once

#include <QString>

#include <limits>

namespace so {

/// The content of a `LastUpdated` cell: its text, and the time the text stands for in milliseconds
/// since the epoch (kUnknown when the text is no date and time). Rows sort by the time, so sorting
/// never depends on reading the host's wording of a date back.
struct UpdatedStamp {
    static constexpr qint64 kUnknown = std::numeric_limits<qint64>::min();
    QString text;
    qint64 msecs = kUnknown;
};

}  // namespace so
