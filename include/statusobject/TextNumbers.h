// The numbers of the host's text resources that the component shows, as SiteConnection::GRS and
// GetResourceString are asked for them. The component holds no wording of its own for state words,
// column captions and the group dialog's messages: a host answers each of these numbers with a
// distinct text in the operator's language (an empty text shows as an empty cell).
#pragma once

/// Text resource numbers; the column captions' numbers are listed in ColumnCaptions.
namespace so::res {

/// The number of a text the component asks the host for (GRS); named for where it shows.
///@{

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

/// The captions of the window's columns, every section's.
inline constexpr int ColumnCaptions[] = {1386, 1387, 1388, 1389, 1390, 1391, 1392, 1393, 1394, 1395, 1396,
                                         1397, 1398, 1399, 1400, 1401, 1402, 1403, 1404, 1405, 1406, 1407,
                                         1411, 1418, 1419, 1420, 1421, 1422, 1424, 1425, 1426, 1427, 2998};
///@}

/// Every number above but the column captions and column sets, for a host checking that its text
/// table answers them all.
inline constexpr int NamedTexts[] = {PortOffLine,
                                     OnLine,
                                     UnknownState,
                                     NotKnown,
                                     Tampered,
                                     EnclosureClosed,
                                     EnclosureOpen,
                                     PowerOk,
                                     PowerFailed,
                                     RelayOff,
                                     RelayOn,
                                     KeypadMode13,
                                     TamperPending,
                                     TamperNotPending,
                                     LineClear,
                                     LineSet,
                                     TerminalState27,
                                     TerminalState26,
                                     UpsBatteryState33,
                                     DoorNotClosed,
                                     LineState16,
                                     LineState32,
                                     LineState48,
                                     LineState64,
                                     Yes,
                                     No,
                                     Masked,
                                     RelayNotNormal,
                                     DeleteGroupQuestion,
                                     DeleteGroupTitle,
                                     GroupNamePrompt,
                                     GroupNameTitle,
                                     GroupNameEmpty,
                                     GroupNameTooLong,
                                     GroupNameTaken,
                                     GroupBoxFirstEntry,
                                     LockedBy,
                                     LockedByWithDetail,
                                     LockedTitle};

}  // namespace so::res
