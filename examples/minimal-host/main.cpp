// The smallest host of the StatusObject component: a console window that embeds the status window,
// on a site database named on the command line (default: the embedded one in ./site.db), for the
// operator profile the site assigns to a computer (this one unless --computer names another) or
// the one --profile names.
//   minimal_host [SITE-URL] [--computer NAME | --profile ID]
#include <statusobject/Host.h>
#include <statusobject/Status.h>
#include <statusobject/Vocabulary.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <optional>

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

// Reads one whole number from the site; nullopt when no row answers. A site whose database cannot
// answer is reported and read as no answer.
std::optional<qint32> readNumber(so::db::Connection& db, const QString& sql, const QString& name,
                                 const QVariant& value) {
    try {
        so::db::Command query(db, sql);
        query.appendParameter(name, so::db::ParamType::VarChar, so::db::ParamDirection::Input, 64, value);
        so::db::Recordset rows = query.open();
        if (rows.eof() || rows.field(0).isNull())
            return std::nullopt;
        return rows.field(0).toInt();
    } catch (const so::db::DbError& e) {
        std::fprintf(stderr, "The site database did not answer: %s\n", qPrintable(e.message()));
        return std::nullopt;
    }
}

// The profile to show: the one named, or the one the site assigns to the computer. Says plainly
// when the site has none, as the window would otherwise open empty without a word.
std::optional<qint32> chooseProfile(so::db::Connection& db, const QCommandLineParser& args, const QString& computer) {
    if (args.isSet(QStringLiteral("profile"))) {
        const QString id = args.value(QStringLiteral("profile"));
        bool number = false;
        id.toInt(&number);
        if (number && readNumber(db, QStringLiteral("SELECT ProfileID FROM Profiles WHERE ProfileID = ?"),
                                 QStringLiteral("@ID"), id))
            return id.toInt();
        std::fprintf(stderr, "The site has no operator profile %s.\n", qPrintable(id));
        return std::nullopt;
    }
    if (const auto profile = readNumber(db, QStringLiteral("SELECT ProfileID FROM Workstations WHERE ComputerName = ?"),
                                        QStringLiteral("@ComputerName"), computer))
        return profile;
    std::fprintf(stderr,
                 "The site assigns no operator profile to the computer \"%s\": name one of its computers with "
                 "--computer NAME, or a profile with --profile ID.\n",
                 qPrintable(computer));
    return std::nullopt;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("The smallest host of the status window."));
    args.addHelpOption();
    args.addPositionalArgument(QStringLiteral("site"), QStringLiteral("The site database (default sqlite:site.db)."));
    args.addOption({QStringLiteral("computer"), QStringLiteral("Show the profile the site assigns to this computer."),
                    QStringLiteral("name"), QSysInfo::machineHostName()});
    args.addOption({QStringLiteral("profile"), QStringLiteral("Show this operator profile."), QStringLiteral("id")});
    args.process(app);
    const QString url = args.positionalArguments().value(0, QStringLiteral("sqlite:site.db"));
    std::unique_ptr<so::db::Connection> db;
    try {
        db = so::db::Connection::open(url);
    } catch (const so::db::DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    const QString computerName = args.value(QStringLiteral("computer"));
    const std::optional<qint32> profile = chooseProfile(*db, args, computerName);
    if (!profile)
        return 2;

    MyHost host;
    QWidget console;
    auto* layout = new QVBoxLayout(&console);
    so::Status status;  // declared after the host objects, so it goes before them
    status.setDBConnection(db.get());
    status.setNTConnection(&host);
    status.setConsole(&host);
    status.setComputerName(computerName);
    status.setCurrentProfileID(*profile);
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
