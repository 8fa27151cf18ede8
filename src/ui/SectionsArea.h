// The area under the band: the pages of the status window. The stacked sections (each a header
// strip over its grid, sharing the height by need: shareSectionHeights), one section filling the
// area on its own, the masked-points list and the overridden-points list, and the cover lying over
// them while a group loads.
//
// The sections do not scroll as a whole: each grid scrolls its own rows, sections holding
// abnormal rows get room first, and a section takes no more height than its rows need. The
// operator can move the boundaries between sections; choosing a group, collapsing or expanding a
// section shares the height out again.
//
// Every widget has an object name: "sections" (the stack), "section<Name>" (a section's panel),
// "header<Name>" and "grid<Name>" ("headerDoors", "gridDoors"), "maskedList", "overriddenList",
// "cover", "pages".
#pragma once

#include "domain/Section.h"
#include "grid/RowFilter.h"
#include "ui/SectionGridView.h"
#include "window/CsvExport.h"
#include "window/WindowView.h"

#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QSplitter;
class QStackedWidget;
class QVBoxLayout;

namespace so {

class IconList;
class SectionHeader;
class StatusWindow;

class SectionsArea : public QWidget {
    Q_OBJECT
public:
    SectionsArea(StatusWindow& window, const IconList* icons, QWidget* parent);
    ~SectionsArea() override;

    /// Panels, grids and the page in sight in line with the window's section and view state; the
    /// heights are shared out anew.
    void showSections();
    /// Lays the sections out again (unless the operator sized them) and the cover over the page.
    void arrange();
    /// Shows a greyed still of the page in sight while a group loads, or takes it away.
    void showCover(bool shown);
    /// Greys the rows of a group deleted elsewhere.
    void setStale(bool stale);
    /// A grid's columns as its StatusGrid holds them.
    void syncColumns(Section section);
    void syncListColumns(WindowView::SideList list);
    void focusGrid(Section section);
    /// Shows a grid row (from 1) of a section, opening the section where needed, and opens its
    /// context menu when `openMenu`.
    void goToRow(Section section, int row, bool openMenu);
    /// Opens the context menu of the current section's current row, or of the first section in
    /// sight holding rows (Shift+F10 or the Menu key outside a grid).
    void openCurrentRowMenu();
    void setOnGridMouseUp(const SectionGridView::MouseUpHandler& handler);

    void setFilterText(const QString& text);
    void setAbnormalOnly(bool on);
    /// The counts of what the page in sight shows: the stacked sections with a header shown, the
    /// one section alone, the masked list or the overridden list. The headers' counts add up to them.
    SectionCounts countsInSight() const;
    /// Fades the rows' highlights and asks for the counts to be shown anew (countsChanged).
    void updateInsight();
    /// Recounts the sections whose states changed; a section that gained or lost its alarms or
    /// warnings is placed anew.
    void recountChanged();

    /// The rows selected in the grids in sight, tab-separated; empty when none is.
    QString selectedRowsText() const;
    /// The shown rows of a section, or of every section with a header shown.
    QVector<ExportTable> exportTables(std::optional<Section> section) const;
    /// How the grids draw texts, for sizing columns.
    TextMetrics textMetrics() const;

signals:
    /// The rows in sight or their counts changed.
    void countsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SectionGridView* view(Section section) const { return views_[size_t(sectionIndex(section))]; }
    SectionHeader* header(Section section) const { return headers_[size_t(sectionIndex(section))]; }
    QWidget* panel(Section section) const { return panels_[size_t(sectionIndex(section))]; }
    void placeSectionViews();
    /// Caps a stacked section's height at what its header strip and rows need.
    void fitPanel(Section section);
    /// Shares the stack's height out among the shown sections (shareSectionHeights).
    void distributeSections();
    /// Counts a section's painted rows again into its header.
    void recount(Section section);

    StatusWindow& window_;
    QStackedWidget* pages_ = nullptr;
    /// The sections stacked one under the other.
    QSplitter* sectionStack_ = nullptr;
    /// The operator moved a boundary between sections: their heights stay until the sections change.
    bool sectionsSizedByOperator_ = false;
    QWidget* singleHost_ = nullptr;
    QVBoxLayout* singleLayout_ = nullptr;
    SectionGridView* overridden_ = nullptr;
    SectionGridView* masked_ = nullptr;
    QLabel* cover_ = nullptr;
    std::array<QWidget*, kSectionCount> panels_{};
    std::array<SectionHeader*, kSectionCount> headers_{};
    std::array<SectionGridView*, kSectionCount> views_{};
    /// The section whose grid fills the area now; none while every grid sits in its panel.
    std::optional<Section> singleSection_;
};

}  // namespace so
