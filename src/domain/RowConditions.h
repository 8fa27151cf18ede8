// What a row's state cells say, as typed flags beside their texts.
//
// The cells show the host's wording of each state (its text resources), which differs from host to
// host. Whoever writes a state cell with a meaning (the decoding, the fill, the database refresh)
// records that meaning here too, so the window's severity, its counts and its "Abnormal only"
// filter read what a point is, never how a host words it. Each condition belongs to one column:
// writing that column replaces it (see StatusGrid::setText).
#pragma once

#include <QtGlobal>

namespace so {

enum class Condition : quint32 {
    Alarm = 1u << 0,                 // Alarm: an alarm is set
    DoorNotClosed = 1u << 1,         // Status of a door: not closed
    RelayNotNormal = 1u << 2,        // Status of a door: its relay is not in its normal state
    InputOpen = 1u << 3,             // Status of an input: open
    Offline = 1u << 4,               // Status: the point, its controller or the port is off line
    PhysicalTamper = 1u << 5,        // PTamper: tampered with, or keypad locked out
    CodeTamper = 1u << 6,            // CTamper: tampered with, or keypad locked out
    Masked = 1u << 7,                // Masked: left out of alarms
    EnclosureOpen = 1u << 8,         // Enclosure: open
    TamperPending = 1u << 9,         // TamperPending: a tamper waits to be acknowledged
    PowerFailed = 1u << 10,          // ACPower: failed
    MemoryBatteryFailed = 1u << 11,  // MemoryBatt: failed
    UpsBatteryFailed = 1u << 12,     // UPSBattF: failed
    RelayForced = 1u << 13,          // Relay Details: forced on or off, locked down or open by an operator
    LineOpen = 1u << 14,             // Status of a door or input: its main line reads "Line Open" (cut)
    LineShort = 1u << 15,            // Status of a door or input: its main line reads "Line Short"
    LineFault = 1u << 16,            // Status of a door or input: its main line reads out of tolerance, faulty
    LineNoisy = 1u << 17,            // Status of a door or input: its main line reads "Noisy"
};

/// A small set of conditions (one bit each).
class RowConditions {
public:
    constexpr RowConditions() = default;
    constexpr RowConditions(Condition c) : bits_(quint32(c)) {}

    constexpr bool has(Condition c) const { return (bits_ & quint32(c)) != 0; }
    constexpr bool any(RowConditions of) const { return (bits_ & of.bits_) != 0; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr void set(Condition c, bool on = true) { bits_ = on ? (bits_ | quint32(c)) : (bits_ & ~quint32(c)); }
    constexpr void remove(RowConditions of) { bits_ = bits_ & ~of.bits_; }
    constexpr RowConditions operator|(RowConditions other) const { return fromBits(bits_ | other.bits_); }
    constexpr bool operator==(const RowConditions&) const = default;

private:
    static constexpr RowConditions fromBits(quint32 bits) {
        RowConditions c;
        c.bits_ = bits;
        return c;
    }
    quint32 bits_ = 0;
};

constexpr RowConditions operator|(Condition a, Condition b) { return RowConditions(a) | RowConditions(b); }

}  // namespace so
