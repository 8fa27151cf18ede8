#include "grid/Sections.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "domain/Resources.h"
#include "grid/ColumnLayout.h"

namespace so {
namespace {

void addColumns(StatusGrid& grid, const QVector<ColumnSpec>& columns) {
    for (const ColumnSpec& c : columns)
        grid.addColumn(c.key, c.caption, 0, -1, c.width, c.visible);
}

/// The state cells of a section's rows: what a reset blanks.
const QVector<QString>& stateColumns(Section section) {
    using namespace col;
    static const QVector<QString> kBySection[kSectionCount] = {
        {Status, Alarm, Masked, Input1, Input2, Input3, Voltage, RelayStatus, RelayDetails},
        {Status, Alarm, Masked, Input1, Input2, Input3, Voltage},
        {Status, RelayDetails},
        {ThreatLevel, Status, CTamper, PTamper},
        {Enclosure, ACPower, Terminal, UPSBattF, ThreatLevel, KeypadMode, MemoryBatt, ParallelPrint, SerialPrint,
         TamperPending},
        {},
        {},
        {Status},
    };
    return kBySection[sectionIndex(section)];
}

/// Adds, hidden, every default column the grid lacks, and returns their keys: a layout saved
/// before a column existed (or edited by hand) still gives every cell writer its cell.
QStringList addMissingColumns(StatusGrid& grid, const QVector<ColumnSpec>& defaults) {
    QStringList added;
    for (const ColumnSpec& c : defaults) {
        if (grid.columnIndex(c.key) < 0) {
            grid.addColumn(c.key, c.caption, 0, -1, c.width, false);
            added << c.key;
        }
    }
    return added;
}

}  // namespace

Sections::Sections(ComponentContext& ctx)
    : ctx_(ctx), grids_{StatusGrid(QStringLiteral("vGrid(0)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(1)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(2)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(3)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(4)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(5)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(6)"), &texts_),
                        StatusGrid(QStringLiteral("vGrid(7)"), &texts_)},
      masked_(QStringLiteral("GridMasked"), &texts_) {}

void Sections::throwNoSection(int index) {
    throw ComponentError(ComponentError::SubscriptOutOfRange,
                         QStringLiteral("No section %1 (sections are 0 to 7)").arg(index));
}

StatusGrid& Sections::grid(int section) {
    return const_cast<StatusGrid&>(static_cast<const Sections*>(this)->grid(section));
}

const StatusGrid& Sections::grid(int section) const {
    const std::optional<Section> known = sectionAt(section);
    if (!known)
        throwNoSection(section);
    return grid(*known);
}

void Sections::InitColumnHeaders(const QString (&layoutTexts)[kSectionCount],
                                 const std::function<void()>& fillMaskedGrid) {
    for (StatusGrid& g : grids_)
        g.clearColumns();
    masked_.clearColumns();
    layoutLoaded_.fill(false);
    for (QStringList& keys : addedKeys_)
        keys.clear();
    // Each section under its own trap: a bad layout costs that section only its own columns.
    for (Section section : kAllSections) {
        const std::size_t index = std::size_t(sectionIndex(section));
        StatusGrid& grid = grids_[index];
        const QString& text = layoutTexts[index];
        const bool custom = !layoutMeansDefaults(section, text);
        const QVector<ColumnSpec> defaults = defaultColumns(ctx_, section);
        hostCaptions_[index] = hostCaptions(defaults);
        layoutLoaded_[index] = !custom || trap(ctx_, QStringLiteral("Status: InitColumnHeaders"),
                                               [&] { addLayoutColumns(grid, text, hostCaptions_[index]); });
        if (!layoutLoaded_[index] || grid.columnCount() == 0) {
            grid.clearColumns();
            addColumns(grid, defaults);
        } else {
            addedKeys_[index] = addMissingColumns(grid, defaults);
        }
    }
    trap(ctx_, QStringLiteral("Status: InitColumnHeaders"), [&] {
        addColumns(masked_, maskedGridColumns(ctx_));
        if (fillMaskedGrid)
            fillMaskedGrid();
    });
}

QString Sections::layoutText(Section section) const {
    const std::size_t index = std::size_t(sectionIndex(section));
    return buildLayoutText(grid(section), addedKeys_.at(index), hostCaptions_.at(index));
}

void Sections::P_ResetColumnInfo(Section section, int row) {
    trap(ctx_, QStringLiteral("FMain.P_ResetColumnInfo"), [&] {
        StatusGrid& g = grid(section);
        const QString notKnown = GRS(ctx_, res::NotKnown);
        for (const QString& key : stateColumns(section))
            g.setText(row, key, notKnown);
    });
}

int Sections::FindRowForAddress(Section section, const QString& address) {
    return trapOr(ctx_, QStringLiteral("MPublic.FindRowForAddress("), 0,
                  [&] { return grid(section).findRow(address); });
}

}  // namespace so
