#include "component/RowAudit.h"

#include "component/Notices.h"
#include "domain/Address.h"
#include "grid/ColumnLayout.h"
#include "grid/RedrawPause.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "domain/UpdatedStamp.h"
#include "status/StatusBoard.h"

#include <QVector>

#include <algorithm>

namespace so {
namespace {

/// The kind word a notice about the section's rows would carry: it tells a controller, port or
/// communication box apart where the address alone does not.
QString kindWordOf(Section section) {
    switch (section) {
    case Section::Controllers: return QStringLiteral("CONT");
    case Section::Boxes: return QStringLiteral("PYLON");
    case Section::Ports: return QStringLiteral("PORT");
    default: return {};
    }
}

/// What a row shows but its time: each cell's text and icon, and the conditions read from them.
struct Drawn {
    QStringList texts;
    QVector<int> icons;
    RowConditions conditions;
    bool operator==(const Drawn&) const = default;
};

Drawn drawnOf(const StatusGrid& grid, int row) {
    Drawn drawn;
    for (int c = 0; c < grid.columnCount(); ++c) {
        if (grid.column(c).key == col::LastUpdated)
            continue;
        drawn.texts << grid.text(row, c);
        drawn.icons << grid.cell(row, c).icon;
    }
    drawn.conditions = grid.conditions(row);
    return drawn;
}

struct Checked {
    Section section;
    QString address;
    Drawn before;
    UpdatedStamp updated;
};

}  // namespace

int RowAudit::check(int count) {
    Sections& sections = board_.sections();
    int total = 0;
    for (Section section : kAllSections)
        total += sections.grid(section).rowCount();
    count = std::min(count, total);

    // The slice, with what each row shows now.
    QVector<Checked> slice;
    QVector<FullRefresh::ShownRow> classic;
    slice.reserve(count);
    for (int taken = 0; taken < count; ++taken) {
        while (next_ > sections.grid(section_).rowCount()) {
            section_ = kAllSections[std::size_t(sectionIndex(section_) + 1) % kAllSections.size()];
            next_ = 1;
        }
        const StatusGrid& grid = sections.grid(section_);
        const int row = next_++;
        const int addressColumn = grid.columnIndex(col::Address);
        if (addressColumn < 0)
            continue;
        const QString address = grid.text(row, addressColumn);
        const int updatedColumn = grid.columnIndex(col::LastUpdated);
        slice.append(
            {section_, address, drawnOf(grid, row),
             updatedColumn < 0 ? UpdatedStamp{} : UpdatedStamp{grid.text(row, updatedColumn), grid.updatedAt(row)}});
        if (!isNewerLineAddress(address))
            classic.append({section_, row});
    }

    // Each row drawn afresh: its kind's re-read, then the classic rows' stored reports.
    {
        SectionsRedrawPause pause(sections);
        for (const Checked& checked : std::as_const(slice)) {
            const QVector<NoticeTarget> targets = noticeTargets(checked.address, kindWordOf(checked.section));
            const auto own = std::find_if(targets.begin(), targets.end(), [&](const NoticeTarget& target) {
                return refreshedSection(target.target) == checked.section;
            });
            if (own == targets.end())
                continue;  // a classic reader: its stored reports draw it
            const int row = sections.grid(checked.section).findRow(checked.address);
            board_.dbRefresh().DBStatusUpdate(own->target, checked.address, row);
        }
        board_.fullRefresh().replayRows(classic);
    }

    int redrawn = 0;
    for (const Checked& checked : std::as_const(slice)) {
        StatusGrid& grid = sections.grid(checked.section);
        const int row = grid.findRow(checked.address);
        if (row == 0)
            continue;
        if (drawnOf(grid, row) != checked.before)
            ++redrawn;
        else if (const int updated = grid.columnIndex(col::LastUpdated);
                 updated >= 0 &&
                 (grid.updatedAt(row) != checked.updated.msecs || grid.text(row, updated) != checked.updated.text))
            grid.setUpdated(row, checked.updated);  // nothing drifted: the row keeps its time
    }
    return redrawn;
}

}  // namespace so
