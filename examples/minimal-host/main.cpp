// The smallest host of the StatusObject component: a console window that embeds the status window,
// on a site database named on the command line (default: the embedded one in ./site.db).
#include <statusobject/Host.h>
#include <statusobject/Status.h>
#include <statusobject/Vocabulary.h>

#include <QApplication>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>

// Both host objects in one class. A real console answers from its own services; this one allows
// everything, answers every text number with the number itself and relays nothing.
class MyHost final : public so::ConsoleHost, public so::SiteConnection {
public:
    // ---- so::ConsoleHost: the console
    void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant&) override {
        std::printf("CallBack %s %lld %s\n", qPrintable(word), static_cast<long long>(value),
                    qPrintable(action.toString()));
    }
    void ConfigureDevice(const QString&, qint32) override {}
    void AlarmFormConfigureDevice(const QString&, qint32&) override {}
    void DTApiCall(qint32&, const QString&, qint16&) override {}
    const so::ImageList* ilconsole() override { return nullptr; }
    bool Connected() override { return true; }

    // ---- so::SiteConnection: the site and the operator
    QString WorkstationID() override { return QStringLiteral("1"); }
    qint32 UserId() override { return 1; }
    qint32 SecurityDomain() override { return 0; }
    bool EnableCustomize() override { return true; }
    bool PermissionGranted(qint16, qint32&) override { return true; }
    bool LockComponent(qint32, qint32) override { return true; }
    bool ReleaseComponent(qint32, qint32) override { return true; }
    bool ComponentIsLocked(qint32, qint32, QString&, QString&) override { return false; }
    QString GetResourceString(qint32& number) override { return QString::number(number); }
    QString GRS(qint32 number, const QStringList&) override { return QString::number(number); }
    QString GetDateFormat() override { return QStringLiteral("yyyy-MM-dd"); }
    QString Fix_Apostrophe(const QString& text) override { return QString(text).replace('\'', QStringLiteral("''")); }
    void SendSyncData(const QString&, qint16, const QVariant&, const QString&) override {}
    void LogEvent(const QString&, const QString&, qint32&, const QString&, qint16) override {}
    void ZR2ExecuteAccessFunction(qint32, qint32&, qint32) override {}
    void ZR2ExecuteControlFunction(qint32, qint32&, qint32) override {}
    void ZR2ClearCodeTamper(qint32&) override {}
    bool ZR2IsRk8HardwareSupportEnabled() override { return false; }
    void ShowHelp(qint32) override {}
    void LogError(qint32, const so::ErrorInfo& error, const QString& reportName, qint32, qint32) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(reportName), qPrintable(error.description));
    }
};

// The operator's profile is the one the site assigns to this computer.
qint32 profileOf(so::db::Connection& db, const QString& computerName) {
    try {
        so::db::Command query(db, QStringLiteral("SELECT ProfileID FROM Workstations WHERE ComputerName = ?"));
        query.appendParameter(QStringLiteral("@ComputerName"), so::db::ParamType::VarChar,
                              so::db::ParamDirection::Input, 64, computerName);
        so::db::Recordset rows = query.open();
        return rows.eof() ? 0 : rows.field(0).toInt();
    } catch (const so::db::DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 0;
    }
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString url = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sqlite:site.db");
    std::unique_ptr<so::db::Connection> db;
    try {
        db = so::db::Connection::open(url);
    } catch (const so::db::DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    const QString computerName = QSysInfo::machineHostName();

    MyHost host;
    QWidget console;
    auto* layout = new QVBoxLayout(&console);
    so::Status status;  // declared after the host objects, so it goes before them
    status.setDBConnection(db.get());
    status.setNTConnection(&host);
    status.setConsole(&host);
    status.setComputerName(computerName);
    status.setCurrentProfileID(profileOf(*db, computerName));
    status.Show();
    if (status.widget() != nullptr)
        layout->addWidget(status.widget());  // the console's layout now holds the window
    console.resize(1200, 800);
    console.show();

    // A real console calls these as the field and the other workstations report:
    //   status.StateChange(so::device::StdInput, address, so::state::AlarmSet);
    //   status.SyncPipe(topic, action, data, senderWorkstationId, recipient);
    const int result = app.exec();
    status.ShutDown();  // saves the layout while the host objects are still there
    return result;
}
