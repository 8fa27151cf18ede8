// The filled window of a demo site rendered to a PNG (kept as a test artifact) and checked for
// drawn captions and point names; and a storm of state changes on a window of 10,000 rows, which
// must repaint each section a bounded number of times, not once per change.
#include "ui/UiFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QScrollArea>

namespace so::test {
namespace {

/// Pixels of `area` that stand out from its most common colour (text, lines, icons).
int inkPixels(const QImage& image, const QRect& area) {
    const QRect r = area.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y)];
    if (counts.isEmpty())
        return 0;
    QRgb background = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > counts.value(background))
            background = it.key();
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += std::abs(qGray(image.pixel(x, y)) - qGray(background)) > 80 ? 1 : 0;
    return ink;
}

class RenderedWindow : public UiFixture {};

TEST_F(RenderedWindow, DrawsTheSectionCaptionsAndPointNamesOfTheDemoSite) {
    show();
    const QImage image = frame->grab().toImage();
    const QString folder = QStringLiteral(STATUSOBJECT_BINARY_DIR) + QStringLiteral("/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/status-window.png");
    ASSERT_TRUE(image.save(file));
    EXPECT_EQ(QImage(file).size(), frame->size());

    // Not blank: a filled window has many colours and no single colour covers it.
    QHash<QRgb, int> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            ++colours[image.pixel(x, y)];
    EXPECT_GT(colours.size(), 20);
    int most = 0;
    for (int n : colours)
        most = std::max(most, n);
    EXPECT_LT(most, (image.width() / 2) * (image.height() / 2) * 95 / 100);

    // Every section's caption, drawn in the stacked sections (also those scrolled out of sight).
    QWidget* stack = sectionStack();
    const QImage stackImage = stack->grab().toImage();
    ASSERT_TRUE(stackImage.save(folder + QStringLiteral("/status-sections.png")));
    int sectionsDrawn = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        if (!window().isHeaderShown(Section(section)))
            continue;
        ++sectionsDrawn;
        QLabel* caption = headerOf(section)->captionLabel();
        EXPECT_TRUE(caption->isVisibleTo(frame));
        EXPECT_EQ(caption->text(), StatusWindow::sectionName(Section(section)));
        const QRect captionArea(caption->mapTo(stack, QPoint(0, 0)), caption->size());
        EXPECT_GT(inkPixels(stackImage, captionArea), 10) << "caption of section " << section;
    }
    EXPECT_GE(sectionsDrawn, 7);  // the default group holds points of every kind

    // The first rows' names: the text right of the icon is drawn.
    for (int section : {0, 1, 2}) {
        SectionGridView* v = view(section);
        const int nameColumn = grid(section).columnIndex(QStringLiteral("Name"));
        ASSERT_GT(v->model()->rowCount(), 0);
        for (int row = 0; row < std::min(2, v->model()->rowCount()); ++row) {
            const QModelIndex index = v->model()->index(row, nameColumn);
            EXPECT_FALSE(index.data().toString().isEmpty());
            EXPECT_FALSE(index.data(Qt::DecorationRole).value<QIcon>().isNull()) << "the host's icon";
            const QRect cell = v->visualRect(index);
            ASSERT_TRUE(v->viewport()->rect().contains(cell));
            const QRect text = QRect(v->viewport()->mapTo(frame, cell.topLeft()), cell.size())
                                   .adjusted(v->iconSize().width() + 6, 0, 0, 0);
            EXPECT_GT(inkPixels(image, text), 5) << "name of row " << row << " in section " << section;
        }
    }
}

/// Counts paint events of the watched widgets.
class PaintCounter : public QObject {
public:
    QHash<QObject*, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints[watched];
        return false;
    }
};

class StormOnALargeWindow : public UiFixture {
protected:
    int sitePoints() const override { return 10200; }
};

TEST_F(StormOnALargeWindow, TenThousandStateChangesRepaintEachSectionABoundedNumberOfTimes) {
    show();
    chooseGroup(site.siteGroupId);
    int rows = 0;
    for (int section = 0; section < kSectionCount; ++section)
        rows += view(section)->model()->rowCount();
    ASSERT_GE(rows, 10000);

    // Classic points of the inputs, relays, readers and controllers sections, with their words.
    struct Report {
        int section;
        QString deviceType;
        QString address;
    };
    QVector<Report> reports;
    for (int section : {1, 2, 3, 4}) {
        for (int row = 1; row <= grid(section).rowCount(); ++row) {
            const QString address = grid(section).text(row, QStringLiteral("Address"));
            const QString type = address.contains(QLatin1String("BI"))   ? QStringLiteral("STD_INPUT")
                                 : address.contains(QLatin1String("XI")) ? QStringLiteral("EXP_INPUT")
                                 : address.contains(QLatin1String("BR")) ? QStringLiteral("STD_RELAY")
                                 : address.contains(QLatin1String("XR")) ? QStringLiteral("EXP_RELAY")
                                 : address.contains(QLatin1String("SM")) ? QStringLiteral("READER")
                                 : address.size() == 17                  ? QStringLiteral("CONTROLLER")
                                                                         : QString();
            if (!type.isEmpty())
                reports.append({section, type, address});
        }
    }
    ASSERT_GT(reports.size(), 1000);

    PaintCounter counter;
    QHash<int, int> changedBefore;
    for (int section = 0; section < kSectionCount; ++section) {
        view(section)->viewport()->installEventFilter(&counter);
        changedBefore[section] = modelOf(section)->signalCounts().dataChanged;
    }

    const int maskedBefore = maskedList()->gridModel()->signalCounts().dataChanged;

    // The host reports one change per message: 100 turns of the event loop, 100 changes each.
    constexpr int kChanges = 10000;
    constexpr int kPerTurn = 100;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kChanges; ++i) {
        const Report& r = reports[i % reports.size()];
        status->StateChange(r.deviceType, r.address, quint8((i / reports.size()) % 2 == 0 ? 1 : 0));
        if ((i + 1) % kPerTurn == 0)
            QCoreApplication::processEvents();
    }
    settle();
    const qint64 elapsedMs = clock.elapsed();

    // One flush per interval, plus a few the window adds on its own (the recent-change highlight
    // switching on and off, a coarse timer firing a little early on a loaded machine).
    const int bound = int(elapsedMs / StatusGridModel::kFlushIntervalMs) + 6;
    for (int section = 0; section < kSectionCount; ++section) {
        const int changed = modelOf(section)->signalCounts().dataChanged - changedBefore[section];
        EXPECT_LE(changed, bound) << "section " << section << " after " << elapsedMs << " ms";
        EXPECT_LE(counter.paints.value(view(section)->viewport()), bound + 2) << "section " << section;
    }
    EXPECT_LE(maskedList()->gridModel()->signalCounts().dataChanged - maskedBefore, bound);
    EXPECT_GT(modelOf(1)->signalCounts().dataChanged - changedBefore[1], 0);  // it did repaint
    EXPECT_LT(bound, kChanges / 20) << "the storm took " << elapsedMs << " ms";

    // Nothing is lost: every view shows what its grid holds.
    for (int section : {1, 2, 3, 4}) {
        const QAbstractItemModel* model = view(section)->model();
        const int status = grid(section).columnIndex(QStringLiteral("Status"));
        const int last = grid(section).rowCount();
        for (int row : {1, last / 2, last})
            EXPECT_EQ(model->index(row - 1, status).data().toString(),
                      grid(section).text(row, QStringLiteral("Status")))
                << "section " << section << " row " << row;
    }
}

}  // namespace
}  // namespace so::test
