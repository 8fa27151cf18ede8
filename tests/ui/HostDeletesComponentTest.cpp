// A host that deletes the component from inside one of the component's own calls into it: every
// CallBack it makes, a LogError, and slots on the window's signals. The component's code below
// that call must not run on freed memory (the sanitized build checks) and must make no further
// host call once deleted.
#include "ui/UiFixture.h"

#include <statusobject/Vocabulary.h>

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace so::test {
namespace {

/// Deletes the component it owns in the first host call that `deletesIn` picks, and counts the
/// host calls made after that.
class DeletingHost : public ImageHost {
public:
    void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id) override {
        ImageHost::CallBack(word, value, action, id);
        deleteIf(QStringLiteral("CallBack(%1, %2)").arg(word, action.toString()));
    }
    void LogError(qint32 zero, const ErrorInfo& error, const QString& reportName, qint32 line, qint32 zero2) override {
        ImageHost::LogError(zero, error, reportName, line, zero2);
        deleteIf(QStringLiteral("LogError(%1)").arg(reportName));
    }

    std::unique_ptr<Status> owned;
    QString deleteIn;
    int callsAtDeletion = -1;

private:
    void deleteIf(const QString& call) {
        if (owned == nullptr || call != deleteIn)
            return;
        callsAtDeletion = int(calls.size());
        owned.reset();
    }
};

class HostDeletesComponentTest : public UiFixture {
protected:
    /// The component of `host`, shown and sized, with no host call recorded yet.
    StatusFrame* showOwned(DeletingHost& host) {
        host.owned = makeStatus(host);
        host.owned->Show();
        auto* shown = qobject_cast<StatusFrame*>(host.owned->widget());
        if (shown != nullptr)
            shown->resize(1280, 900);
        QCoreApplication::processEvents();
        return shown;
    }

    /// The address of the first classic input `shown` shows.
    static QString classicInputOf(Status& shown) {
        const StatusGrid& inputs = windowOf(shown).board().sections().grid(1);
        for (int row = 1; row <= inputs.rowCount(); ++row)
            if (inputs.text(row, col::Address).contains(QLatin1String(".BI")) &&
                !inputs.text(row, col::Address).contains(QLatin1String("ZRII")))
                return inputs.text(row, col::Address);
        return {};
    }

    /// Right-clicks the row of `address` in `section` and chooses the menu entry `caption`.
    static void chooseFromRowMenu(StatusFrame& shown, int section, const QString& address, const QString& caption) {
        StatusGrid& rows = shown.statusWindow().board().sections().grid(section);
        const int found = rows.findRow(address);
        ASSERT_GT(found, 0) << "no row of " << address.toStdString();
        auto* gridView = shown.findChild<SectionGridView*>(QStringLiteral("grid") + sectionNamed(section));
        ASSERT_NE(gridView, nullptr);
        rightClickRow(*gridView, found - 1, [&](QMenu& menu) {
            for (QAction* entry : menu.actions())
                if (entry->text() == caption) {
                    entry->trigger();
                    return;
                }
            menu.close();
            ADD_FAILURE() << "no menu entry " << caption.toStdString();
        });
    }
};

TEST_F(HostDeletesComponentTest, InEveryCallbackTheComponentMakesAndNoHostCallFollows) {
    // A recording port: the host opens its properties by a CallBack.
    const QString dvrPort = [&] {
        db::Recordset port = db->query(QStringLiteral("SELECT Address FROM ServerPorts WHERE PortType = 7"));
        return port.field(0).toString();
    }();
    struct Case {
        const char* name;
        QString deleteIn;
        std::function<void(DeletingHost&, StatusFrame&)> act;
    };
    const Case cases[] = {
        {"Show's load callback", QStringLiteral("CallBack(STATUSVIEWER, LOAD)"),
         [](DeletingHost& h, StatusFrame&) {
             // Shown anew after ShutDown: the callback of this Show deletes it.
             h.owned->ShutDown();
             h.clearCalls();
             h.owned->Show();
         }},
        {"the window's unload during ShutDown", QStringLiteral("CallBack(STATUS, Unload)"),
         [](DeletingHost& h, StatusFrame&) { h.owned->ShutDown(); }},
        {"ShutDown's unload callback", QStringLiteral("CallBack(STATUSVIEWER, UNLOAD)"),
         [](DeletingHost& h, StatusFrame&) { h.owned->cUnload(); }},
        {"the window activated", QStringLiteral("CallBack(HELP, 0)"),
         [](DeletingHost&, StatusFrame& shown) {
             QEvent activate(QEvent::WindowActivate);
             QCoreApplication::sendEvent(&shown, &activate);
         }},
        {"the operator's Esc", QStringLiteral("CallBack(STATUS, Unload)"),
         [](DeletingHost&, StatusFrame& shown) { QTest::keyClick(&shown, Qt::Key_Escape); }},
        {"the window's close button", QStringLiteral("CallBack(STATUS, Unload)"),
         [](DeletingHost&, StatusFrame& shown) { shown.close(); }},
        {"a port's properties from the row menu", QStringLiteral("CallBack(DEVICEADMIN, PROPERTIES)"),
         [&](DeletingHost& h, StatusFrame& shown) {
             ASSERT_TRUE(h.owned->showGroup(QStringLiteral("All Ports")));
             h.clearCalls();
             chooseFromRowMenu(shown, 6, dvrPort, QStringLiteral("Properties..."));
         }},
        {"LogError of a notice it cannot read", QStringLiteral("LogError(Status.SyncPipe)"),
         [](DeletingHost& h, StatusFrame&) {
             h.owned->SyncPipe(notice::Topic, notice::GroupCreated, QStringLiteral("nogroupid"), QStringLiteral("WS9"),
                               {});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeletingHost consoleHost;
        StatusFrame* shown = showOwned(consoleHost);
        ASSERT_NE(shown, nullptr);
        const QPointer<StatusFrame> window = shown;
        consoleHost.deleteIn = c.deleteIn;
        consoleHost.clearCalls();
        c.act(consoleHost, *shown);
        QCoreApplication::processEvents();
        EXPECT_EQ(consoleHost.owned, nullptr) << consoleHost.callNames().join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(int(consoleHost.calls.size()), consoleHost.callsAtDeletion)
            << "host calls after the deletion: " << consoleHost.callNames().join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(window.isNull()) << "the window goes with the component";
        EXPECT_TRUE(dialogs.messages.isEmpty());
    }
}

TEST_F(HostDeletesComponentTest, InASlotOnTheWindowsSignals) {
    struct Case {
        const char* name;
        std::function<void(QWidget&, std::unique_ptr<Status>&)> connectAndAct;
    };
    const Case cases[] = {
        {"destroyed, the host's console going first",
         [](QWidget& shown, std::unique_ptr<Status>& owned) {
             auto* console = new QWidget;
             (new QVBoxLayout(console))->addWidget(&shown);
             QObject::connect(&shown, &QObject::destroyed, [&owned] { owned.reset(); });
             delete console;
         }},
        {"windowTitleChanged, the host setting a caption",
         [](QWidget& shown, std::unique_ptr<Status>& owned) {
             QObject::connect(&shown, &QWidget::windowTitleChanged, [&owned] { owned.reset(); });
             owned->setCaptionSuffix(QStringLiteral("Desk 2"));
         }},
        {"windowTitleChanged, the window counting a new alarm",
         [this](QWidget& shown, std::unique_ptr<Status>& owned) {
             QObject::connect(&shown, &QWidget::windowTitleChanged, [&owned] { owned.reset(); });
             owned->StateChange(device::StdInput, classicInputOf(*owned), state::AlarmSet);
             // The title counts alarms on the window's own timer, outside any call of the host.
             QTest::qWaitFor([&owned] { return owned == nullptr; }, 5000);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeletingHost consoleHost;
        StatusFrame* shown = showOwned(consoleHost);
        ASSERT_NE(shown, nullptr);
        const QPointer<StatusFrame> window = shown;
        c.connectAndAct(*shown, consoleHost.owned);
        QCoreApplication::processEvents();
        EXPECT_EQ(consoleHost.owned, nullptr);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(consoleHost.count(QStringLiteral("LogError")), 0);
    }
}

TEST_F(HostDeletesComponentTest, WhileOneOfItsBoxesIsOpen) {
    // The component's own Qt boxes, not the fixture's scripted ones.
    FakeHost consoleHost;
    auto owned = std::make_unique<Status>();
    owned->setLogFolder(logDir.path());
    owned->setConsole(&consoleHost);
    owned->setNTConnection(&consoleHost);
    owned->setDBConnection(db.get());
    owned->setCurrentProfileID(site.defaultProfileId);
    owned->Show();
    auto* shown = qobject_cast<StatusFrame*>(owned->widget());
    ASSERT_NE(shown, nullptr);
    const QPointer<StatusFrame> window = shown;

    // The box saying the export failed is open: the host deletes the component, then the operator
    // closes the box.
    bool boxSeen = false;
    QTimer host;
    QObject::connect(&host, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr)
            return;
        host.stop();
        boxSeen = true;
        owned.reset();
        EXPECT_FALSE(window.isNull()) << "the box's window stays while the box is open";
        box->close();
    });
    host.start(10);
    EXPECT_FALSE(shown->exportCsv(std::nullopt, logDir.path() + QStringLiteral("/no/such/folder/rows.csv")));
    EXPECT_TRUE(boxSeen);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isNull());
}

}  // namespace
}  // namespace so::test
