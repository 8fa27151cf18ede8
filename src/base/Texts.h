// Text resources and the shared string procedures.
//
// The component holds no wording of its own for its captions, status words and messages: they are
// the host's numbered text resources. GRS is the one way in. A text fetched without fill-ins is kept
// per component instance after its first fetch, because the decoding asks for the same few texts on
// every state change.
#pragma once

#include "base/ComponentContext.h"

#include <statusobject/TextNumbers.h>

#include <QString>
#include <QStringList>

namespace so {

/// Text resource `number`; with a non-empty first fill-in, the host's GRS with all nine fill-ins.
/// A failing host call is reported under "MPublic: GRS" and gives empty text.
QString GRS(ComponentContext& ctx, qint32 number, const QStringList& fillIns = {});

/// The text made safe for a quoted SQL literal by the host ("MPublic: FixA" on failure).
QString FixA(ComponentContext& ctx, const QString& text);

/// Removes every parameter of a prepared command.
void ClearParameters(db::Command& command);

/// The host's date format followed by " HH:mm:ss" (fetched once per instance).
const QString& dateTimeFormat(ComponentContext& ctx);

/// The current second in dateTimeFormat, worked out once a second from the coarse clock: reports
/// read it on their path, and working out a local time takes a look-up of the time zone under a
/// lock that every thread of the process shares.
class NowText {
public:
    const QString& read(ComponentContext& ctx);
    /// The second (since the epoch, UTC) of the text last read; -1 before the first read.
    qint64 second() const { return second_; }

private:
    qint64 second_ = -1;
    QString text_;
};

/// Starts loading a text's characters (its first and last cache line) into the cache, for a text
/// read a little later that may lie anywhere in memory.
inline void prefetchText(const QString& text) {
    if (text.isEmpty())
        return;
    __builtin_prefetch(text.constData());
    __builtin_prefetch(text.constData() + (text.size() - 1));
}

/// Whether two texts share one storage (a text and a kept copy of it), and so are equal.
inline bool sameStorage(const QString& a, const QString& b) {
    return a.constData() == b.constData() && a.size() == b.size();
}

/// Whether two texts are equal; answered without reading a character when both share one storage
/// (a kept copy of a text, a resource text and the cell that shows it).
inline bool sameText(const QString& a, const QString& b) { return sameStorage(a, b) || a == b; }

}  // namespace so
