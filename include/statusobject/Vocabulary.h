// The words and numbers a host exchanges with the component: the device type words and state codes
// of Status::StateChange, the topic and actions of the notices between workstations
// (SiteConnection::SendSyncData out, Status::SyncPipe in) and the notifications of
// ConsoleHost::CallBack. The values are the ones on the wire; the component itself uses these
// definitions. The words are QLatin1StringView and convert to QString where one is expected:
// status.StateChange(so::device::StdInput, address, so::state::AlarmSet).
#pragma once

#include <QString>

namespace so {

/// Device type words of Status::StateChange (compared without regard to case).
namespace device {
/// A device type word of StateChange.
///@{
inline constexpr QLatin1StringView Controller{"CONTROLLER"};
inline constexpr QLatin1StringView ControllerThreatLevel{"CONTROLLER_THREAT_LEVEL"};
/// The controller's enabled flag: state 0 disabled, 1 enabled.
inline constexpr QLatin1StringView ControllerEnabled{"CONTROLLER_ENABLED"};
inline constexpr QLatin1StringView Reader{"READER"};
inline constexpr QLatin1StringView ReaderThreatLevel{"READER_THREAT_LEVEL"};
/// A communication box.
inline constexpr QLatin1StringView Pylon{"PYLON"};
inline constexpr QLatin1StringView PylonEnabled{"PYLON_ENABLED"};
/// A server's communication port.
inline constexpr QLatin1StringView Port{"PORT"};
inline constexpr QLatin1StringView PortEnabled{"PORT_ENABLED"};
inline constexpr QLatin1StringView StdRelay{"STD_RELAY"};
inline constexpr QLatin1StringView StdInput{"STD_INPUT"};
/// An input reported with its line voltages.
inline constexpr QLatin1StringView StdInputV{"STD_INPUTV"};
inline constexpr QLatin1StringView ExpRelay{"EXP_RELAY"};
inline constexpr QLatin1StringView ExpInput{"EXP_INPUT"};
inline constexpr QLatin1StringView ExpInputV{"EXP_INPUTV"};
/// Newer controller line: state 0 carries the relay mode, 1 its status text (as the value).
inline constexpr QLatin1StringView ZR2Relay{"ZR2_RELAY"};
/// Newer controller line: state 0 carries the mask source, 1 the packed line states (as the value).
inline constexpr QLatin1StringView ZR2Input{"ZR2_INPUT"};
inline constexpr QLatin1StringView ZR2Module{"ZR2_MODULE"};
/// Newer controller line: any state re-reads the controller's row from the site database.
inline constexpr QLatin1StringView ZR2Controller{"ZR2_CONTROLLER"};
///@}
}  // namespace device

/// State codes of Status::StateChange, by the device type that reports them. Codes a device type
/// does not list are accepted and change nothing.
namespace state {

/// Controllers, readers, ports and newer-line modules: the communication state.
enum Link : quint8 { Offline = 0, Online = 1 };

/// The enabled flags (ControllerEnabled, PortEnabled, PylonEnabled).
enum Enabled : quint8 { Disabled = 0, IsEnabled = 1 };

/// Ports; PortDialup carries the dial-up state number as the value.
enum Port : quint8 { PortDialup = 2 };

/// Readers; ReaderThreatLevel carries the level as the value.
enum Reader : quint8 {
    ReaderPhysicalTamper = 2,
    ReaderPhysicalTamperCleared = 3,
    ReaderCodeTamper = 4,
    ReaderCodeTamperCleared = 5,
    ReaderThreatLevel = 32,
};

/// Controllers. The second code of a pair reports the same condition from the controller's
/// other enclosure contact or battery.
enum Controller : quint8 {
    EnclosureClosed = 2,
    EnclosureOpen = 3,
    AcPowerOk = 4,
    AcPowerFailed = 5,
    KeypadModeNormal = 12,
    KeypadModeAlternate = 13,
    MemoryBatteryOk = 14,
    MemoryBatteryFailed = 15,
    ParallelPrinterOnline = 16,
    ParallelPrinterOffline = 17,
    SerialPrinterOnline = 18,
    SerialPrinterOffline = 19,
    TamperPending = 22,
    TamperNotPending = 23,
    EnclosureClosedOther = 24,
    EnclosureOpenOther = 25,
    TerminalState26 = 26,
    TerminalState27 = 27,
    UpsBatteryOk = 30,
    UpsBatteryFailed = 31,
    UpsBatteryOkOther = 32,
    UpsBatteryState33 = 33,
    ControllerStateUnknown = 34,
    /// The controller was reset: its points' rows are read again.
    ControllerReset = 36,
    /// The threat level as the value.
    ControllerThreatLevel = 37,
};

/// Inputs, and doors through their inputs. Codes 0 to 7 are the line bits (bit 0 line 1, bit 1
/// line 2, bit 2 line 3); 16, 32, 48 and 64 are whole-input line states.
enum Input : quint8 {
    LineBitsLast = 7,
    LineState16 = 16,
    LineState32 = 32,
    LineState48 = 48,
    LineState64 = 64,
    AlarmSet = 65,
    AlarmCleared = 66,
    /// A masked input; the value, when given, names the mask source.
    MaskSet = 67,
    MaskCleared = 68,
    /// The enabled text as the value.
    InputEnabledText = 200,
    /// The line module type as the value.
    LineModuleType = 201,
};

/// Relays, and doors through their relays.
enum Relay : quint8 {
    RelayOff = 0,
    RelayOn = 1,
    /// The active reasons (FormatDetailedRelayState) as the value; doors show it too.
    RelayReasons = 70,
    RelayDisabled = 200,
};

/// Newer-line relays and inputs (ZR2Relay, ZR2Input).
enum NewerLine : quint8 {
    /// Relay mode number, or input mask source, as the value.
    ModeOrMask = 0,
    /// Relay status text, or packed input line states, as the value.
    StatusOrLines = 1,
};

/// Newer-line modules (besides Link).
enum Module : quint8 { ModuleEnclosureClosed = 2, ModuleEnclosureOpen = 3 };

}  // namespace state

/// The notices between workstations about status groups and points. The component sends them
/// with SiteConnection::SendSyncData(Topic, action, data, ownWorkstationId); a host relays every
/// notice it receives from the site, from any workstation, into Status::SyncPipe(topic, action,
/// data, sender, recipient) unchanged. Other topics are ignored (counted, logged once).
namespace notice {
/// The topic of every notice the component sends and reads.
inline constexpr QLatin1StringView Topic{"STATUSVIEW"};

/// The action numbers of the notices, with the data each carries.
enum Action : qint16 {
    /// Data "name|groupId".
    GroupCreated = 1,
    /// Data "name|groupId".
    GroupDeleted = 2,
    /// A group's name or points changed; data "name|groupId".
    GroupChanged = 3,
    /// Data: the point's address.
    PointConfigured = 4,
    /// The groups an operator may see changed; data 0.
    VisibleGroupsChanged = 5,
    /// Data "address|kind", kind "CONT", "PYLON" or "PORT".
    PointConfiguredOfKind = 6,
    /// Data "address|state" (state 0 disabled, 1 enabled).
    ControllerEnabled = 7,
    PortEnabled = 8,
    PylonEnabled = 9,
};
}  // namespace notice

/// The component's notifications through ConsoleHost::CallBack(word, value, action, id).
namespace callback {
/// With action LoadAction (value: the window's native handle, 0 headless) after Show, and with
/// UnloadAction (value 0) on ShutDown and cUnload.
inline constexpr QLatin1StringView StatusViewer{"STATUSVIEWER"};
/// The action after Show.
inline constexpr QLatin1StringView LoadAction{"LOAD"};
/// The action after ShutDown and cUnload.
inline constexpr QLatin1StringView UnloadAction{"UNLOAD"};
}  // namespace callback

}  // namespace so
