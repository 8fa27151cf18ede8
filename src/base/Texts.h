// Text resources and the shared string procedures.
//
// The component holds no wording of its own for its captions, status words and messages: they are
// the host's numbered text resources. GRS is the one way in. A text fetched without fill-ins is kept
// per component instance after its first fetch, because the decoding asks for the same few texts on
// every state change.
#pragma once

#include "base/ComponentContext.h"

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

}  // namespace so
