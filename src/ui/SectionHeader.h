// The header strip of a section of the status window: a drawn plus/minus toggle that collapses and
// expands the section, and the section's caption right of it, then the section's point count (of them in sight under a
// filter), its alarms behind a red triangle and its warnings behind an amber circle.
#pragma once

#include "domain/Section.h"
#include "grid/RowFilter.h"

#include <QAbstractButton>
#include <QWidget>

class QLabel;

namespace so {

/// A small box with a minus (section expanded) or a plus (collapsed), drawn by the component.
class PlusMinusToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit PlusMinusToggle(QWidget* parent = nullptr);
    void setExpanded(bool expanded);
    /// The section the toggle belongs to, named in its accessible name ("Collapse Doors").
    void setSectionName(const QString& name);
    bool isExpanded() const { return expanded_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void nameForAccessibility();

    bool expanded_ = false;
    QString sectionName_;
};

class SectionHeader : public QWidget {
    Q_OBJECT
public:
    SectionHeader(Section section, const QString& caption, QWidget* parent = nullptr);

    Section section() const { return section_; }
    PlusMinusToggle* toggle() const { return toggle_; }
    QLabel* captionLabel() const { return caption_; }
    QLabel* countsLabel() const { return counts_; }
    QLabel* alarmsLabel() const { return alarms_; }
    QLabel* warningsLabel() const { return warnings_; }
    /// Shows the counts; the alarms and warnings only when there are any.
    void setCounts(const SectionCounts& counts);
    const SectionCounts& counts() const { return shown_; }
    void setExpanded(bool expanded) { toggle_->setExpanded(expanded); }
    /// The strip is as tall as a row of the section's grid plus a small margin.
    void setRowHeight(int pixels);

signals:
    /// The operator clicked the toggle.
    void toggleClicked(Section section);

private:
    const Section section_;
    PlusMinusToggle* toggle_;
    QLabel* caption_;
    QLabel* counts_;
    QLabel* alarms_;
    QLabel* warnings_;
    SectionCounts shown_{-1, -1, -1, -1};
};

}  // namespace so
