#include "ui/SectionHeader.h"
#include "ui/CountTexts.h"
#include "ui/RowColours.h"
#include "ui/TextHue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace so {

PlusMinusToggle::PlusMinusToggle(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PlusMinusToggle::setExpanded(bool expanded) {
    if (expanded_ == expanded)
        return;
    expanded_ = expanded;
    nameForAccessibility();
    update();
}

void PlusMinusToggle::setSectionName(const QString& name) {
    sectionName_ = name;
    nameForAccessibility();
    setAccessibleDescription(tr("Shows or hides the %1 section").arg(name));
}

void PlusMinusToggle::nameForAccessibility() {
    setAccessibleName((expanded_ ? tr("Collapse %1") : tr("Expand %1")).arg(sectionName_));
}

QSize PlusMinusToggle::sizeHint() const { return {13, 13}; }

void PlusMinusToggle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int side = std::min(width(), height()) - 4;
    const QRect box((width() - side) / 2, (height() - side) / 2, side, side);
    p.fillRect(box, palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setPen(QPen(palette().color(QPalette::Text), 1));
    const int cx = box.center().x();
    const int cy = box.center().y();
    const int arm = std::max(2, side / 2 - 2);
    p.drawLine(cx - arm, cy, cx + arm, cy);
    if (!expanded_)
        p.drawLine(cx, cy - arm, cx, cy + arm);
}

SectionHeader::SectionHeader(Section section, const QString& caption, QWidget* parent)
    : QWidget(parent), section_(section), toggle_(new PlusMinusToggle(this)), caption_(new QLabel(caption, this)),
      counts_(new QLabel(this)), alarms_(new QLabel(this)), warnings_(new QLabel(this)) {
    toggle_->setSectionName(caption);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    layout->addWidget(toggle_);
    layout->addWidget(caption_);
    layout->addSpacing(12);
    layout->addWidget(counts_);
    layout->addSpacing(8);
    layout->addWidget(alarms_);
    layout->addSpacing(8);
    layout->addWidget(warnings_);
    layout->addStretch(1);
    TextHue::set(*alarms_, kAlarmHue, true);
    TextHue::set(*warnings_, kWarningHue);
    alarms_->hide();
    warnings_->hide();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(toggle_, &QAbstractButton::clicked, this, [this] { emit toggleClicked(section_); });
}

void SectionHeader::setCounts(const SectionCounts& counts) {
    if (counts == shown_)
        return;
    shown_ = counts;
    counts_->setText(CountTexts::points(counts));
    alarms_->setText(QStringLiteral("\u25B2 ") + CountTexts::alarms(counts));
    alarms_->setVisible(counts.alarms > 0);
    warnings_->setText(QStringLiteral("\u25CF ") + CountTexts::warnings(counts));
    warnings_->setVisible(counts.warnings > 0);
}

void SectionHeader::setRowHeight(int pixels) {
    setFixedHeight(pixels + 4);
    toggle_->setFixedSize(pixels, pixels);
}

}  // namespace so
