// Live status intake: the state changes the host reports, routed to the rows of the status window.
//
// A report names a device type word, an address, a one-byte state, a time (may be empty) and a
// state value (may be empty). The device type picks the section, the kind code handed to the
// decoder (UpdateList) and whether the point's door row is updated as well; the newer line's
// controllers and modules are re-read from the database instead (DBStatusUpdate).
//
// This is the component's hot path: a burst of thousands of reports a second must cost about a
// microsecond each. The route of a device type word is kept per word as it arrives (the word is
// upper-cased only the first time), the time of a report without one is formatted once per
// second, and the one database read a module report needs (is the module a keypad, and of which
// reader) is kept per module until the configuration may have changed (forgetConfiguration).
// Both are kept in maps with the grid's text hash (TextHash, seeded once per process): Qt's QString
// hash costs several hundred nanoseconds a lookup on some builds, more than the whole budget of a report.
#pragma once

#include "base/ComponentContext.h"
#include "base/Texts.h"
#include "domain/Section.h"
#include "grid/TextHash.h"
#include "status/StatusDecoder.h"

#include <QString>

#include <array>

#include <unordered_map>

namespace so {

class DbRefresh;
class MaskedList;
class RecentChanges;
class Sections;
struct DeviceTypeRoute;

/// Ticks of the window's refresh timer since the last reported state change: every report starts
/// the quiet period again, and the window runs a full refresh once it has lasted long enough.
struct QuietPeriod {
    int ticks = 0;
};

class LiveIntake {
public:
    LiveIntake(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder, DbRefresh& refresh,
               MaskedList& masked, QuietPeriod& quiet, RecentChanges& recent);

    /// The host's live report ("Status.StateChange"). An address longer than kMaxAddressLength, a
    /// time or value longer than any the field sends, is logged (no box) and dropped.
    void StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& time = {},
                     const QString& value = {});

    /// The same routing for the classic kinds as the stored controller reports use it: values pass
    /// only for the reader threat level and the input kinds; newer-line and enabled-flag words do
    /// nothing ("Status: StateChange"). `mode` tells the decoder whether a status request asked for them.
    void reportStateChange(const QString& deviceType, const QString& address, quint8 state, const QString& time,
                           const QString& value, ReportMode mode);

    /// Drops what is kept about modules (keypad and reader): call when point configuration may
    /// have changed (a configuration notification, a reload of the group).
    void forgetConfiguration() { keypadReaderOfModule_.clear(); }

    /// The time of a report that came without one: now, in the host's date format + " HH:mm:ss".
    const QString& now();

private:
    /// False, after a quiet report under reportName, for an address, time or value longer than
    /// any the site uses: such a report is dropped before it reaches a row or anything kept.
    bool withinLimits(const QString& reportName, const QString& address, const QString& time, const QString& value);
    /// A device type word's route with its kind codes resolved for the decoder.
    struct Route {
        const DeviceTypeRoute* route = nullptr;  // nullptr: a word the component ignores
        StatusDecoder::Kind kind = StatusDecoder::Kind::Unknown;
        StatusDecoder::Kind doorKind = StatusDecoder::Kind::Unknown;
    };
    /// Resets the quiet-period counter and looks the route up.
    const Route& begin(const QString& deviceType);
    const Route& routeOf(const QString& deviceType);
    void updateRow(Section section, const QString& address, quint8 state, StatusDecoder::Kind kind, const QString& time,
                   const QString& value, ReportMode mode = ReportMode::Current,
                   const StatusGrid::RowAt* found = nullptr);
    /// Finds the point's row in its section and, for a point reaching its door, writes the door
    /// address (doorAddress_) and finds the door's row (doorRow_), both in one call
    /// (StatusGrid::findRows), so the memory of the two rows loads at once.
    StatusGrid::RowAt findRows(Section section, const QString& address, bool reachesDoor);
    /// Decodes the report of the point at `address` into the door row findRows found.
    void updateDoor(const QString& address, quint8 state, StatusDecoder::Kind kind, const QString& time,
                    const QString& value, ReportMode mode = ReportMode::Current);
    void zr2Module(const QString& address, quint8 state, const QString& time, const QString& value);
    void zr2Controller(const QString& address);
    /// The reader a keypad module belongs to; empty when the module is no keypad or has none.
    const QString& keypadReaderOf(const QString& moduleAddress);

    ComponentContext& ctx_;
    Sections& sections_;
    StatusDecoder& decoder_;
    DbRefresh& refresh_;
    MaskedList& masked_;
    QuietPeriod& quiet_;
    RecentChanges& recent_;
    NowText now_;
    /// Route per device type word as sent.
    std::unordered_map<QString, Route, TextHash, TextEqual> routeOfWord_;
    /// Words seen lately, by the storage of their characters: a host that sends its words from a
    /// few kept strings finds the route without hashing the word. Each holds a copy of its word.
    struct KeptWord {
        QString word;
        Route route;  // a copy: no further memory read
    };
    static constexpr int kWordSlotBits = 4;
    std::array<KeptWord, 1u << kWordSlotBits> wordByStorage_;
    /// The door address of the report being decoded, rewritten in place for every report that
    /// reaches a door (a copy someone kept detaches on the next write).
    QString doorAddress_;
    bool doorAddressWritten_ = false;
    StatusGrid::RowAt doorRow_;
    std::unordered_map<QString, QString, TextHash, TextEqual> keypadReaderOfModule_;
};

}  // namespace so
