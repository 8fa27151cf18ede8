// A host of the installed package: it answers the component's message boxes and questions itself
// (its own Dialogs) and asks the public queries. No host objects are set, so reading the groups
// fails: the failure must reach this host's dialogs and the component's own log.
#include <statusobject/Dialogs.h>
#include <statusobject/Status.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

class CountingDialogs final : public so::Dialogs {
public:
    void message(const QString&, const QString&, Icon) override { ++messages; }
    bool askYesNo(const QString&, const QString&) override { return false; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void setBusy(bool) override {}
    int messages = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir logDir;
    CountingDialogs dialogs;
    so::Status status;
    status.setDialogs(&dialogs);
    status.setLogFolder(logDir.path());
    status.OnUserSwitch();
    std::printf("points shown %d, error reports %d, messages %d\n", status.pointsShown(), status.errorReportsWritten(),
                dialogs.messages);
    return status.pointsShown() == 0 && status.errorReportsWritten() > 0 && dialogs.messages > 0 ? 0 : 1;
}
