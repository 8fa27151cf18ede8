// The columns of the status window's grids: the column keys every part of the component writes
// cells by, each section's default columns, and the column layout text in which an operator's
// profile keeps a section's own columns.
//
// Layout text: "Use Object Default", or entries separated by ","; an entry is five fields joined
// by "][": key, caption, position (from 1), width in pixels, visible ("True"/"False").
//   Status][State][3][127][True,Name][Door][1][85][True
#pragma once

#include "base/ComponentContext.h"
#include "domain/Section.h"
#include "grid/StatusGrid.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <array>

namespace so {

/// Column keys. Cells are always addressed by these, never by position.
namespace col {
inline const QString Name = QStringLiteral("Name");
inline const QString Address = QStringLiteral("Address");
inline const QString Status = QStringLiteral("Status");
inline const QString Alarm = QStringLiteral("Alarm");
inline const QString Masked = QStringLiteral("Masked");
inline const QString Enabled = QStringLiteral("Enabled");
inline const QString Input1 = QStringLiteral("Input1");
inline const QString Input2 = QStringLiteral("Input2");
inline const QString Input3 = QStringLiteral("Input3");
inline const QString LMType = QStringLiteral("LM Type");
inline const QString Voltage = QStringLiteral("Voltage");
inline const QString RelayStatus = QStringLiteral("Relay Status");
inline const QString RelayDetails = QStringLiteral("Relay Details");
inline const QString TwoPersonRule = QStringLiteral("2PR");
inline const QString LastUpdated = QStringLiteral("LastUpdated");
inline const QString NotUsed = QStringLiteral("NotUsed");
inline const QString ThreatLevel = QStringLiteral("ThreatLevel");
inline const QString CTamper = QStringLiteral("CTamper");
inline const QString PTamper = QStringLiteral("PTamper");
inline const QString Enclosure = QStringLiteral("Enclosure");
inline const QString Terminal = QStringLiteral("Terminal");
inline const QString ACPower = QStringLiteral("ACPower");
inline const QString UPSBattF = QStringLiteral("UPSBattF");
inline const QString KeypadMode = QStringLiteral("KeypadMode");
inline const QString MemoryBatt = QStringLiteral("MemoryBatt");
inline const QString ParallelPrint = QStringLiteral("ParallelPrint");
inline const QString SerialPrint = QStringLiteral("SerialPrint");
inline const QString TamperPending = QStringLiteral("TamperPending");
inline const QString Rev = QStringLiteral("Rev");
}  // namespace col

/// The column keys as numbers, for code that resolves a grid's columns once (GridColumns).
enum class ColumnId {
    Name,
    Address,
    Status,
    Alarm,
    Masked,
    Enabled,
    Input1,
    Input2,
    Input3,
    LMType,
    Voltage,
    RelayStatus,
    RelayDetails,
    TwoPersonRule,
    LastUpdated,
    NotUsed,
    ThreatLevel,
    CTamper,
    PTamper,
    Enclosure,
    Terminal,
    ACPower,
    UPSBattF,
    KeypadMode,
    MemoryBatt,
    ParallelPrint,
    SerialPrint,
    TamperPending,
    Rev,
    Count
};

/// The key of a column id.
const QString& columnKey(ColumnId id);

/// The column indexes of one grid by column id, resolved once per column layout.
///
/// Finding a column by its key hashes the key text; a state change touches a dozen cells, so the
/// decoding resolves a grid's columns once and reuses the indexes while the layout stays. sync()
/// compares the grid's layout version with the one the indexes were resolved for: one compare
/// per call while the columns stay, a fresh resolve after any column was added, cleared or moved.
class GridColumns {
public:
    GridColumns() { index_.fill(-1); }
    /// Makes the indexes those of grid's current columns.
    void sync(const StatusGrid& grid) {
        if (grid.layoutVersion() != layoutVersion_)
            resolve(grid);
    }
    /// The column's index, or -1 when the grid has no such column.
    int indexOf(ColumnId id) const { return index_[std::size_t(id)]; }
    /// The column's index; MissingColumnError when the grid has no such column.
    int require(ColumnId id) const {
        const int index = index_[std::size_t(id)];
        if (index < 0)
            throwMissing(id);
        return index;
    }

private:
    void resolve(const StatusGrid& grid);
    [[noreturn]] static void throwMissing(ColumnId id);

    std::array<int, std::size_t(ColumnId::Count)> index_;
    quint64 layoutVersion_ = 0;  // no grid has version 0
};

/// The literal layout text standing for a section's default columns.
inline const QString kUseObjectDefault = QStringLiteral("Use Object Default");

/// One column as the grid gets it (alignment 0 and no header icon are implied).
struct ColumnSpec {
    QString key;
    QString caption;
    int width = 0;
    bool visible = true;
};

/// The default columns of a section in order, captions fetched through GRS; the last is the hidden
/// "NotUsed".
QVector<ColumnSpec> defaultColumns(ComponentContext& ctx, Section section);

/// The default columns of the masked points grid.
QVector<ColumnSpec> maskedGridColumns(ComponentContext& ctx);

/// True when a section's stored layout text stands for the default columns: "Use Object Default";
/// an empty text (a profile that holds no layout yet — the operator sees the default columns, not
/// an empty window); and for the modules section a layout saved before that grid had its present columns
/// (it names "XInput Name" or lacks "Enclosure").
bool layoutMeansDefaults(Section section, const QString& layoutText);

/// The host's caption of each default column of a section, by key (defaultColumns' captions).
QHash<QString, QString> hostCaptions(const QVector<ColumnSpec>& defaults);

/// Adds a custom layout's columns to grid in position order 1..n (n = number of entries). A
/// position no entry holds adds nothing; an entry whose position is outside 1..n is never added;
/// the first entry holding a position wins. A width that is not a number or a visible flag that is
/// not "True", "False" or a number throws ComponentError, after the columns before it were added;
/// so does an entry with fewer than five fields. Empty entries are skipped.
///
/// An entry's caption is the operator's name for the column; an empty caption stands for the
/// host's, taken from hostCaptions, so a column the operator did not rename reads as the host says
/// today. (Layouts stored by earlier versions hold every caption: those read as they were.)
void addLayoutColumns(StatusGrid& grid, const QString& layoutText, const QHash<QString, QString>& hostCaptions = {});

/// The layout text of grid's current columns, in display order (the inverse of addLayoutColumns).
/// A caption cannot hold the separators: "," becomes ";" and "][" becomes "] [", so a saved layout
/// always reads back. A hidden column whose key is in leaveOutWhileHidden is left out. A column
/// whose caption is the host's in hostCaptions is stored with an empty caption: only what the
/// operator renamed is kept, and a later load takes the host's text of that day.
QString buildLayoutText(const StatusGrid& grid, const QStringList& leaveOutWhileHidden = {},
                        const QHash<QString, QString>& hostCaptions = {});

}  // namespace so
