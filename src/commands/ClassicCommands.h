// Commands of the classic menu's "Access Functions" and "Control Functions" submenus.
//
// The clicked row becomes a controller number (looked up by the controller's address) and a point
// number (the last two digits of the point's address, plus 8 for expansion points), and the host
// sends "CALL_API|<family>|<function>" to the field through DTApiCall. The field's answer arrives
// later as ordinary state changes; no event is written here.
#pragma once

#include "base/ComponentContext.h"

#include <QString>

#include <optional>

namespace so {

class StatusWindow;

class ClassicCommands {
public:
    ClassicCommands(ComponentContext& ctx, StatusWindow& window);

    /// Access submenu: 0 momentary access, 2 unlock, 3 relock; only for rows of panes 0-2.
    void runAccessEntry(int index);
    /// Control submenu: trigger, mask, unmask, forced states ... by index; the point kind is told
    /// by the address ("XI"/"XR" expansion, "DR"/"BI"/"BR" on board).
    void runControlEntry(int index);

    /// The Controller_ID of the controller owning a point address (bound as "@Address"); 0 when
    /// there is none or the lookup fails ("FPopup.pControllerIDForAddress").
    qint32 pControllerIDForAddress(const QString& address);

    /// The command text of an access / control entry; empty for separators and unknown indexes.
    static QString accessCommand(int index);
    static QString controlCommand(int index);

private:
    /// Sends a command for a point; refuses (ComponentError) when no controller owns the point.
    void send(const QString& address, const QString& command, qint16 pointNumber);

    ComponentContext& ctx_;
    StatusWindow& window_;
};

/// The point's number on its board: the last two characters of the address, which must be two
/// decimal digits (ComponentError type mismatch otherwise).
qint16 boardPointNumber(const QString& address);

/// The point number a control command sends: the board number plus 8 for expansion points ("XI",
/// "XR"), unchanged for on-board doors, inputs and relays ("DR", "BI", "BR"); nothing for other
/// addresses.
std::optional<qint16> controlPointNumber(const QString& address);

}  // namespace so
