// Formatting of the texts a status row shows: the time of the last update and zero-padded numbers.
#pragma once

#include "base/ComponentContext.h"
#include "domain/UpdatedStamp.h"

#include <QHash>
#include <QString>

namespace so {

/// Turns the time of a report into the content of a `LastUpdated` cell: the time itself, and as
/// text the date in the host's date format, one blank, and the time as "HH:mm:ss" when the
/// context's TimeFormat is set, else in the system's long time format. A text that is not a date
/// and time gives empty text and an unknown time.
///
/// Reading a date is far slower than a state change may take, and a burst of reports carries the
/// same few time texts over and over, so results are kept per input text. The kept results follow
/// the host's date format and TimeFormat: a change of either starts afresh.
class DateTimeConverter {
public:
    /// A longer text is no date and time: it gives empty text and is not kept, so the kept
    /// results hold at most kMaxKept texts of this length.
    static constexpr qsizetype kMaxTimeLength = 64;

    /// The stamp of a report time; valid until the next conversion.
    const UpdatedStamp& convert(ComponentContext& ctx, const QString& timeText);

private:
    UpdatedStamp format(const QString& timeText) const;

    static constexpr int kMaxKept = 1024;
    QString dateTimeFormat_;
    bool timeFormat_ = false;
    QHash<QString, UpdatedStamp> kept_;
    // The last conversion, answered without hashing: reports of a burst share their time text.
    QString lastTime_;
    UpdatedStamp last_;
    bool hasLast_ = false;
};

/// value with at least `digits` digits, zeros in front: (7, 2) -> "07", (123, 2) -> "123",
/// (-7, 2) -> "-07", (7, 3) -> "007".
QString padded(qint64 value, int digits);

/// The voltage of a value-reporting input: state * 4.97 / 255 with two decimals (255 -> "4.97").
QString voltageText(quint8 state);

}  // namespace so
