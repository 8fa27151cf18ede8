// The window under the operator's platform settings: row tints readable in light, dark and
// high-contrast palettes, and every widget that takes the keyboard focus named and described for
// a screen reader, each section's grid and toggle by its own section.
#include "ui/UiFixture.h"
#include "ui/AttentionPanel.h"
#include "ui/FrameStatusBar.h"
#include "ui/RowColours.h"

#include <statusobject/Vocabulary.h>

#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QPalette>
#include <QSet>

#include <cmath>
#include <vector>

namespace so::test {
namespace {

QPalette paletteOf(const QColor& base, const QColor& text) {
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, base);
        palette.setColor(group, QPalette::Window, base);
        palette.setColor(group, QPalette::Button, base);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    return palette;
}

struct NamedPalette {
    const char* name;
    QColor base;
    QColor text;
};

const NamedPalette kPalettes[] = {
    {"light", QColor(255, 255, 255), QColor(0, 0, 0)},
    {"dark", QColor(42, 42, 42), QColor(230, 230, 230)},
    {"high contrast black", QColor(0, 0, 0), QColor(255, 255, 255)},
    {"high contrast white", QColor(255, 255, 255), QColor(0, 0, 0)},
    {"dim text on dark", QColor(30, 30, 30), QColor(150, 150, 150)},
};

TEST(RowColours, TintsKeepTheTextReadableAndStandApartInEveryPalette) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(contrastRatio(Qt::gray, Qt::gray), 1.0, 0.01);
    for (const NamedPalette& p : kPalettes) {
        SCOPED_TRACE(p.name);
        const RowColours colours = RowColours::fromPalette(paletteOf(p.base, p.text));
        EXPECT_EQ(colours.text, p.text);
        EXPECT_GE(contrastRatio(colours.alarm, colours.text), RowColours::kMinContrast);
        EXPECT_GE(contrastRatio(colours.warning, colours.text), RowColours::kMinContrast);
        // An alarm row reads red and a warning row amber, unlike a normal row.
        EXPECT_NE(colours.alarm, p.base);
        EXPECT_NE(colours.warning, p.base);
        EXPECT_GT(colours.alarm.red(), colours.alarm.green());
        EXPECT_GT(colours.warning.red(), colours.warning.blue());
        EXPECT_NE(colours.alarm, colours.warning);
    }
}

class PlatformFit : public UiFixture {};

TEST_F(PlatformFit, EveryFocusableWidgetIsNamedAndDescribedEachSectionByItsOwn) {
    show();
    QSet<QString> gridNames, toggleNames;
    int focusable = 0;
    for (QWidget* widget : frame->findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->isVisibleTo(frame) || widget->focusProxy() != nullptr)
            continue;
        ++focusable;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        const QString name = accessible->text(QAccessible::Name);
        SCOPED_TRACE(std::string(widget->metaObject()->className()) + " \"" + name.toStdString() + "\"");
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(accessible->text(QAccessible::Description).isEmpty());
        if (qobject_cast<SectionGridView*>(widget) != nullptr)
            gridNames.insert(name);
    }
    EXPECT_GE(focusable, 10);
    EXPECT_EQ(gridNames.size(), kSectionCount);
    // The section toggles take no focus, but a screen reader still tells them apart.
    for (int section = 0; section < kSectionCount; ++section)
        toggleNames.insert(headerOf(section)->toggle()->accessibleName());
    EXPECT_EQ(toggleNames.size(), kSectionCount);
}

// ---- every coloured text against what it is drawn on

/// WCAG 2 relative luminance, written out here rather than taken from the window's own helper.
double relativeLuminance(const QColor& colour) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double wcagContrast(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

/// What a widget is painted on: the nearest of it and its ancestors that fills its background.
QColor paintedOn(const QWidget* widget) {
    while (!widget->autoFillBackground() && !widget->isWindow() && widget->parentWidget() != nullptr)
        widget = widget->parentWidget();
    return widget->palette().color(widget->backgroundRole());
}

TEST_F(PlatformFit, EveryTextReadsAtFourAndAHalfToOneInLightDarkAndHighContrastPalettes) {
    show();
    const QStringList inputs = classicInputs();
    ASSERT_GE(inputs.size(), 4);
    for (int i = 0; i < 3; ++i)
        status->StateChange(device::StdInput, inputs[i], state::AlarmSet);
    status->StateChange(device::StdInput, inputs[3], state::MaskSet);
    // The status bar's notice of a group deleted elsewhere is red too.
    frame->findChild<FrameStatusBar*>()->showDeletedGroup(QStringLiteral("Night Shift"));
    const NamedPalette palettes[] = {
        {"light", QColor(255, 255, 255), QColor(0, 0, 0)},
        {"dark", QColor(42, 42, 42), QColor(230, 230, 230)},
        {"high contrast black", QColor(0, 0, 0), QColor(255, 255, 255)},
        {"high contrast white", QColor(255, 255, 255), QColor(0, 0, 0)},
    };
    for (const NamedPalette& p : palettes) {
        SCOPED_TRACE(p.name);
        frame->setPalette(paletteOf(p.base, p.text));
        frame->updateInsight();
        settle();
        int coloured = 0;
        for (const QLabel* label : frame->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(frame) || label->text().isEmpty())
                continue;
            // A colour in a style sheet would escape the palette.
            EXPECT_FALSE(label->styleSheet().contains(QLatin1String("color"))) << label->text().toStdString();
            const QColor text = label->palette().color(label->foregroundRole());
            if (text != p.text)
                ++coloured;
            EXPECT_GE(wcagContrast(text, paintedOn(label)), 4.5)
                << "\"" << label->text().toStdString() << "\" in " << text.name().toStdString() << " on "
                << paintedOn(label).name().toStdString();
        }
        EXPECT_GE(coloured, 3) << "the alarm counts, the total and the notice are coloured";
        if (p.name == std::string("dark")) {  // README's picture of the tints
            const QString folder = QStringLiteral(STATUSOBJECT_BINARY_DIR) + QStringLiteral("/artifacts");
            QDir().mkpath(folder);
            EXPECT_TRUE(frame->grab().save(folder + QStringLiteral("/alarm-rows-dark.png")));
        }
        // The rows of every section and of the attention list.
        std::vector<QAbstractItemView*> views;
        for (int section = 0; section < kSectionCount; ++section)
            views.push_back(view(section));
        views.push_back(child<AttentionPanel>(QStringLiteral("attentionPanel"))->table());
        for (const QAbstractItemView* v : views) {
            const QAbstractItemModel* model = v->model();
            for (int row = 0; row < model->rowCount(); ++row)
                for (int column = 0; column < model->columnCount(); ++column) {
                    const QModelIndex index = model->index(row, column);
                    if (index.data(Qt::DisplayRole).toString().isEmpty())
                        continue;
                    const QVariant fg = index.data(Qt::ForegroundRole);
                    const QVariant bg = index.data(Qt::BackgroundRole);
                    const QColor text = fg.isValid() ? fg.value<QColor>() : v->palette().color(QPalette::Text);
                    const QColor back = bg.isValid() ? bg.value<QColor>() : v->palette().color(QPalette::Base);
                    ASSERT_GE(wcagContrast(text, back), 4.5)
                        << v->metaObject()->className() << " row " << row << " column " << column;
                }
        }
    }
}

}  // namespace
}  // namespace so::test
