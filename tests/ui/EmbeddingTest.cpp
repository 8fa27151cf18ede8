// A host that puts the status window into its own console's layout, as Qt hosts do, and deletes
// the console and the component in either order, with or without ShutDown first.
#include "ui/UiFixture.h"

#include <statusobject/StatusReader.h>
#include <statusobject/Vocabulary.h>

#include <QPointer>
#include <QVBoxLayout>

namespace so::test {
namespace {

class EmbeddingTest : public UiFixture {};

enum class FirstGone { Console, Status };

struct EmbeddingOrder {
    FirstGone first;
    bool shutDownBefore;
    const char* name;
};

TEST_F(EmbeddingTest, ConsoleAndComponentGoInEitherOrderWithOrWithoutShutDown) {
    const EmbeddingOrder orders[] = {
        {FirstGone::Console, false, "console first"},
        {FirstGone::Console, true, "ShutDown, then console first"},
        {FirstGone::Status, false, "component first"},
        {FirstGone::Status, true, "ShutDown, then component first"},
    };
    for (const EmbeddingOrder& order : orders) {
        SCOPED_TRACE(order.name);
        FakeHost consoleHost;
        std::unique_ptr<Status> embedded = makeStatus(consoleHost);
        auto* console = new QWidget;
        auto* layout = new QVBoxLayout(console);
        embedded->Show();
        QPointer<QWidget> window = embedded->widget();
        ASSERT_FALSE(window.isNull());
        layout->addWidget(window);
        console->show();
        QCoreApplication::processEvents();
        ASSERT_EQ(window->parentWidget(), console);
        if (order.shutDownBefore)
            embedded->ShutDown();

        if (order.first == FirstGone::Console) {
            delete console;
            EXPECT_TRUE(window.isNull());
            EXPECT_EQ(embedded->widget(), nullptr);
            embedded->Refresh();  // works on without its window
            if (order.shutDownBefore) {
                // Shown again, it builds a new window of its own.
                embedded->Show();
                EXPECT_NE(embedded->widget(), nullptr);
            }
            embedded.reset();
        } else {
            embedded.reset();
            EXPECT_TRUE(window.isNull());
            EXPECT_EQ(layout->count(), 0);
            delete console;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(consoleHost.count(QStringLiteral("LogError")), 0);
    }
}

TEST_F(EmbeddingTest, TheDestructorCallsNoHostObjectThatMayAlreadyBeGone) {
    auto consoleHost = std::make_unique<FakeHost>();
    std::unique_ptr<Status> embedded = makeStatus(*consoleHost);
    embedded->Show();
    const int callsBefore = consoleHost->calls.size();
    embedded->ShutDown();
    EXPECT_GT(consoleHost->calls.size(), callsBefore);
    // The host's objects go before the component: under ASan any call into them would fail here.
    consoleHost.reset();
    embedded.reset();
}

enum class ReaderMade { BeforeShow, AfterShow };

TEST_F(EmbeddingTest, AReaderHearsOfChangesBeforeAndAfterShowAndAfterTheHostDeletedTheWindow) {
    for (ReaderMade made : {ReaderMade::BeforeShow, ReaderMade::AfterShow}) {
        SCOPED_TRACE(made == ReaderMade::BeforeShow ? "made before Show" : "made after Show");
        FakeHost consoleHost;
        std::unique_ptr<Status> embedded = makeStatus(consoleHost);
        std::unique_ptr<StatusReader> reader;
        int told = 0;
        const auto makeReader = [&] {
            reader = std::make_unique<StatusReader>(*embedded);
            reader->setChangeCallback([&] { ++told; });
        };
        if (made == ReaderMade::BeforeShow)
            makeReader();
        embedded->Show();
        if (made == ReaderMade::AfterShow)
            makeReader();
        auto* console = new QWidget;
        (new QVBoxLayout(console))->addWidget(embedded->widget());

        StatusGrid& grid = windowOf(*embedded).board().sections().grid(0);
        ASSERT_GT(grid.rowCount(), 0);
        const int nameColumn = grid.requireColumn(col::Name);
        told = 0;
        grid.setText(1, nameColumn, QStringLiteral("Renamed while shown"));
        EXPECT_EQ(told, 1);
        EXPECT_TRUE(reader->rows(0, {}, 0, 1).rows.value(0).cells.contains(QStringLiteral("Renamed while shown")));

        // The operator's window goes with the host's console; the reader still hears.
        delete console;
        ASSERT_EQ(embedded->widget(), nullptr);
        grid.setText(1, nameColumn, QStringLiteral("Renamed without a window"));
        EXPECT_EQ(told, 2);
        EXPECT_TRUE(reader->rows(0, {}, 0, 1).rows.value(0).cells.contains(QStringLiteral("Renamed without a window")));

        // A window made again and the reader gone: the window's model alone hears.
        embedded->Show();
        reader.reset();
        const int toldBefore = told;
        grid.setText(1, nameColumn, QStringLiteral("Renamed after the reader"));
        EXPECT_EQ(told, toldBefore);
        embedded.reset();
    }
}

}  // namespace
}  // namespace so::test
