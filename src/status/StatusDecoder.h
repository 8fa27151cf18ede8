// Turns a reported state of a point into the texts of its row (UpdateList).
//
// Given the section, the point's address, a one-byte state code, the point's kind code, the time
// of the report and a state value, the decoder finds the point's row in that section's grid by its
// address, rewrites the cells the state concerns (by column key), and stamps LastUpdated. The row's
// cells are the only state: door and input summaries are recomputed from them on every change.
//
// A state change must cost about a microsecond whatever the number of rows: the row comes from the
// grid's address index, the columns from indexes resolved once per layout (GridColumns), the time
// text from a converter that keeps its results, and no state of a door or input reads the database.
#pragma once

#include "base/ComponentContext.h"
#include "domain/Formatting.h"
#include "domain/Resources.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>

namespace so {

class MaskedList;
class RowRef;

/// Whether a report answers a status request (a row's refresh, the host's RefreshStatusItem) from
/// stored reports. Those may be old: a controller's condition in one does not put it on line.
enum class ReportMode { Current, StatusRequest };

class StatusDecoder {
public:
    /// Mask changes seen in reports go to `masked`, whichever rows are shown.
    StatusDecoder(ComponentContext& ctx, Sections& sections, MaskedList& masked);

    /// Applies one state report. Kind codes: "ENABLED", "PO", "SM", "CA", "DR", "BR", "XR", "XIV",
    /// "BIV", "DRV", "XI", "BI", "ZR2_RELAY", "ZR2_INPUT", "ZR2_MODULE" (exact case). An address
    /// without a row changes nothing (states 67/68 still reach the masked list); a kind or state the
    /// decoding does not know changes no state cell but stamps LastUpdated. A column the section's
    /// layout lacks ends the update silently; any other failure (a value that is not a number where
    /// one is read, a failed query) is logged under "MPublic.UpdateList" and ends it too.
    void UpdateList(Section section, const QString& address, quint8 state, const QString& kind, const QString& time,
                    const QString& value, ReportMode mode = ReportMode::Current);

    /// How a kind code decodes. The live intake resolves its codes once per device type word and
    /// hands the kind over, so a report compares no code text.
    enum class Kind {
        Enabled,
        Port,
        Reader,
        Controller,
        Door,
        Relay,
        ExpRelay,
        Voltage,
        Input,
        ZR2Relay,
        ZR2Input,
        ZR2Module,
        Unknown,
    };
    static Kind kindOf(const QString& code);
    /// `found`, when given, is the row of `address` in the section's grid as the caller found it
    /// (StatusGrid::findRows, with the report's other rows); otherwise the decoder finds it.
    void UpdateList(Section section, const QString& address, quint8 state, Kind kind, const QString& time,
                    const QString& value, ReportMode mode = ReportMode::Current,
                    const StatusGrid::RowAt* found = nullptr);

    /// The LastUpdated content of a report time (see DateTimeConverter); results are kept per text.
    UpdatedStamp ConvertDateTime(const QString& time) { return dates_.convert(ctx_, time); }

    /// While one is alive each threat level's name is read from the database once, not once per
    /// reader: loading a group or refreshing every row writes the level of every reader and
    /// controller, from a handful of levels. Scopes nest; the names go with the outermost.
    class KeptThreatNames {
    public:
        explicit KeptThreatNames(StatusDecoder& decoder) : decoder_(decoder) { ++decoder_.threatNamesKept_; }
        ~KeptThreatNames() {
            if (--decoder_.threatNamesKept_ == 0)
                decoder_.threatNames_.clear();
        }
        KeptThreatNames(const KeptThreatNames&) = delete;
        KeptThreatNames& operator=(const KeptThreatNames&) = delete;

    private:
        StatusDecoder& decoder_;
    };

private:
    void decode(const RowRef& row, Section section, const QString& address, quint8 state, Kind kind,
                const QString& value, ReportMode mode);
    void decodeEnabled(const RowRef& row, quint8 state);
    void decodePort(const RowRef& row, quint8 state, const QString& value);
    void decodeReader(const RowRef& row, quint8 state, const QString& value);
    void decodeController(const RowRef& row, const QString& address, quint8 state, const QString& value,
                          ReportMode mode);
    void decodeDoor(const RowRef& row, const QString& address, quint8 state, const QString& value);
    void decodeInput(const RowRef& row, quint8 state, const QString& value);
    void decodeRelay(const RowRef& row, Section section, quint8 state, const QString& value, bool expansion);
    void decodeZR2Relay(const RowRef& row, Section section, quint8 state, const QString& value);
    void decodeZR2Input(const RowRef& row, Section section, const QString& address, quint8 state, const QString& value);
    void decodeZR2Module(const RowRef& row, quint8 state);

    /// The line, alarm, mask and configuration states shared by doors and inputs.
    void applyLineStates(const RowRef& row, quint8 state, const QString& value, bool isDoor);
    /// True when a door's lines cannot be shown (its panel has no such line, or no line module).
    bool doorLinesUnavailable(const RowRef& row, const QString& address, quint8 state);
    /// Writes the door's or input's summary into Status, with the conditions it speaks for.
    void writeDoorStatus(const RowRef& row);
    void writeInputStatus(const RowRef& row);
    /// Writes the name of threat level `value` into ThreatLevel.
    void writeThreatLevel(const RowRef& row, const QString& value);
    /// The names the site gives threat level `threatId` (normally one), in the order read.
    QStringList readThreatNames(qint32 threatId);
    /// Resets every row of every section whose address begins with the controller's address.
    void resetControllerPoints(const QString& controllerAddress);
    /// Writes a resource text into a cell, with the condition it shows there (conditionOf).
    void setText(const RowRef& row, ColumnId id, int resource);
    /// Status of a point reported off line (state 0): the not-known text, condition Offline.
    void setOffline(const RowRef& row);
    void updateMaskedItem(const QString& address, const QString& value);

    ComponentContext& ctx_;
    Sections& sections_;
    MaskedList& masked_;
    std::array<GridColumns, kSectionCount> columns_;
    DateTimeConverter dates_;
    ResourceTexts texts_;
    int threatNamesKept_ = 0;
    QHash<qint32, QStringList> threatNames_;
};

}  // namespace so
