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

/// The numbers of the host's text resources the component shows.
namespace so::res {

inline constexpr int PortOffLine = 1432;
inline constexpr int OnLine = 1433;
inline constexpr int UnknownState = 1434;
/// The cleared or not-known text: no state, cleared alarm or mask, a line the module lacks.
inline constexpr int NotKnown = 1435;
inline constexpr int Tampered = 1436;
inline constexpr int EnclosureClosed = 1437;  // also: door closed and normal, input with nothing to report
inline constexpr int EnclosureOpen = 1438;
inline constexpr int PowerOk = 1439;
inline constexpr int PowerFailed = 1440;
inline constexpr int RelayOff = 1441;  // also keypad mode state 12
inline constexpr int RelayOn = 1442;
inline constexpr int KeypadMode13 = 1443;
inline constexpr int TamperPending = 1444;
inline constexpr int TamperNotPending = 1445;
inline constexpr int LineClear = 1446;
inline constexpr int LineSet = 1447;
inline constexpr int TerminalState27 = 1448;
inline constexpr int TerminalState26 = 1449;
inline constexpr int UpsBatteryState33 = 1450;
inline constexpr int DoorNotClosed = 1453;
inline constexpr int LineState16 = 1459;
inline constexpr int LineState32 = 1460;
inline constexpr int LineState48 = 1461;
inline constexpr int LineState64 = 1462;
inline constexpr int Yes = 1463;
inline constexpr int No = 1679;
inline constexpr int Masked = 1390;
inline constexpr int RelayNotNormal = 1769;

// Texts of the group configuration and the window.
inline constexpr int DeleteGroupQuestion = 111;
inline constexpr int DeleteGroupTitle = 2782;
inline constexpr int GroupNamePrompt = 1383;
inline constexpr int GroupNameTitle = 1384;
inline constexpr int GroupNameEmpty = 1385;
inline constexpr int GroupNameTooLong = 1545;
inline constexpr int GroupNameTaken = 1768;
/// Captions of the column sets: all sections, then doors to ports.
inline constexpr int ColumnSetCaptions[] = {1373, 1375, 1376, 1377, 1378, 1379, 1380};
inline constexpr int GroupBoxFirstEntry = 1430;
// Texts of the lock messages.
inline constexpr int LockedBy = 72;
inline constexpr int LockedByWithDetail = 74;
inline constexpr int LockedTitle = 3807;

}  // namespace so::res
