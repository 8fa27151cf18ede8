// The host's text resources that the status decoding and summaries show: their numbers, and a
// per-decoder copy of their texts.
#pragma once

#include "base/ComponentContext.h"

#include <QHash>
#include <QString>

#include <array>

namespace so {

/// Texts fetched through GRS once and then read without a call: a state change shows and compares
/// a dozen of them. They belong to the host connection that answered them (NTConnection); when
/// the context holds another connection, they are fetched again.
class ResourceTexts {
public:
    explicit ResourceTexts(ComponentContext& ctx) : ctx_(ctx) {}
    const QString& operator()(int number);

private:
    static constexpr int kFirst = 1390;
    static constexpr int kLast = 1769;
    ComponentContext& ctx_;
    SiteConnection* host_ = nullptr;
    std::array<QString, kLast - kFirst + 1> texts_;
    std::array<bool, kLast - kFirst + 1> loaded_{};
    QHash<int, QString> others_;
};

}  // namespace so

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

}  // namespace so::res
