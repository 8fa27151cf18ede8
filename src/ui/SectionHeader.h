// The header strip of a section of the status window (`pbxPTypeCont`): a drawn plus/minus toggle
// (`imgPlusMinus`) that collapses and expands the section, and the section's caption
// (`lblPointType`) right of it, then the section's point count and how many of them are abnormal.
#pragma once

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
    bool isExpanded() const { return expanded_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool expanded_ = false;
};

class SectionHeader : public QWidget {
    Q_OBJECT
public:
    SectionHeader(int section, const QString& caption, QWidget* parent = nullptr);

    int section() const { return section_; }
    PlusMinusToggle* toggle() const { return toggle_; }
    QLabel* captionLabel() const { return caption_; }
    QLabel* countsLabel() const { return counts_; }
    /// Shows "N points" and, when any, "M abnormal".
    void setCounts(int points, int abnormal);
    int points() const { return points_; }
    int abnormal() const { return abnormal_; }
    void setExpanded(bool expanded) { toggle_->setExpanded(expanded); }
    /// The strip is as tall as a row of the section's grid plus a small margin.
    void setRowHeight(int pixels);

signals:
    /// The operator clicked the toggle.
    void toggleClicked(int section);

private:
    const int section_;
    PlusMinusToggle* toggle_;
    QLabel* caption_;
    QLabel* counts_;
    int points_ = -1;
    int abnormal_ = -1;
};

}  // namespace so
