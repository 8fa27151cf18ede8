#include "cli/CliOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace sv {
namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")};
    QCommandLineOption db{QStringLiteral("db"),
                          QStringLiteral("The site database: sqlite:PATH or odbc:CONNECTION-STRING. A sqlite: file "
                                         "must exist unless --create-demo is given. Default: the demo site in the "
                                         "user's data folder, created on first run."),
                          QStringLiteral("URL")};
    QCommandLineOption createDemo{QStringLiteral("create-demo"),
                                  QStringLiteral("Creates the sqlite: file named by --db as a demo site of --scale "
                                                 "points when it does not exist yet.")};
    QCommandLineOption scale{QStringLiteral("scale"),
                             QStringLiteral("Points of a demo site this run creates (%1 to %2; default 2000).")
                                 .arg(kMinScale)
                                 .arg(kMaxScale),
                             QStringLiteral("N")};
    QCommandLineOption op{QStringLiteral("operator"),
                          QStringLiteral("The operator, by login name or number (default: the first operator)."),
                          QStringLiteral("ID")};
    QCommandLineOption workstations{QStringLiteral("workstations"),
                                    QStringLiteral("Status windows on the same site, computer names WS1..WSn "
                                                   "(1 to %1; default 1).")
                                        .arg(kMaxWorkstations),
                                    QStringLiteral("N")};
    QCommandLineOption rate{QStringLiteral("rate"),
                            QStringLiteral("Simulated field traffic per second (default 200; 0: a quiet field)."),
                            QStringLiteral("N")};
    QCommandLineOption headless{QStringLiteral("headless"),
                                QStringLiteral("Runs offscreen (the default without a display): runs for --seconds, "
                                               "writes a screenshot per workstation and prints a summary line.")};
    QCommandLineOption seconds{QStringLiteral("seconds"),
                               QStringLiteral("How long to run (headless default %1; interactive: until the windows "
                                              "are closed).")
                                   .arg(kDefaultHeadlessSeconds),
                               QStringLiteral("S")};
    QCommandLineOption out{QStringLiteral("out"),
                           QStringLiteral("Folder of the screenshots workstation-K.png (headless default: the "
                                          "current folder); with --compare or --export-incident, the file to write."),
                           QStringLiteral("DIR|FILE")};

    QCommandLineOption abnormalOnly{QStringLiteral("abnormal-only"),
                                    QStringLiteral("Starts every window with \"Abnormal only\" on: only the points in "
                                                   "alarm or warning show.")};
    QCommandLineOption broker{QStringLiteral("broker"),
                              QStringLiteral("The site's MQTT broker, mqtt://HOST:PORT (roles field and workstation)."),
                              QStringLiteral("URL")};
    QCommandLineOption brokerUser{QStringLiteral("broker-user"), QStringLiteral("The broker login name."),
                                  QStringLiteral("NAME")};
    QCommandLineOption brokerPasswordFile{QStringLiteral("broker-password-file"),
                                          QStringLiteral("A file whose first line is the broker password."),
                                          QStringLiteral("FILE")};
    QCommandLineOption brokerTls{QStringLiteral("broker-tls"),
                                 QStringLiteral("Connects to the broker over TLS, checking its certificate against "
                                                "this CA file."),
                                 QStringLiteral("CAFILE")};
    QCommandLineOption site{QStringLiteral("site"),
                            QStringLiteral("The site's name in the broker's topics site/NAME/... (default main)."),
                            QStringLiteral("NAME")};
    QCommandLineOption computerName{QStringLiteral("computer-name"),
                                    QStringLiteral("Role workstation: this desk's computer name (default WS1)."),
                                    QStringLiteral("NAME")};
    QCommandLineOption group{QStringLiteral("group"),
                             QStringLiteral("Every window starts with this status group instead of its profile's."),
                             QStringLiteral("NAME")};
    QCommandLineOption reports{QStringLiteral("reports"),
                               QStringLiteral("Role field: the traffic stops after this many state reports."),
                               QStringLiteral("N")};
    QCommandLineOption burst{QStringLiteral("burst"),
                             QStringLiteral("Role field: this many of each minute's state reports in one second of "
                                            "it, the rest spread over the other 59 (default 0: an even rate)."),
                             QStringLiteral("N")};
    QCommandLineOption control{
        QStringLiteral("control"),
        QStringLiteral("Roles field and workstation: reads commands from standard input, one "
                       "a line, and answers each with a line: checksum, rows FILE, reload (the group), "
                       "status, quit; the field also start (its traffic waits for it), a "
                       "workstation groups, group NAME, command CONTROLLER POINT TEXT, lock, "
                       "switch-operator, screen FILE (a PNG of the screen), applied FILE (with --stats: "
                       "each report applied since the last, its number, the field's time and the "
                       "desk's).")};
    QCommandLineOption listen{QStringLiteral("listen"),
                              QStringLiteral("Role web: the address and port to listen on (default 127.0.0.1:8080). "
                                             "Without TLS only a loopback address, unless --insecure-listen."),
                              QStringLiteral("HOST:PORT")};
    QCommandLineOption insecureListen{QStringLiteral("insecure-listen"),
                                      QStringLiteral("Role web: listens on the --listen address in plain HTTP even "
                                                     "when it is not loopback.")};
    QCommandLineOption behindTlsProxy{QStringLiteral("behind-tls-proxy"),
                                      QStringLiteral("Role web: TLS ends at a reverse proxy in front; cookies are "
                                                     "marked Secure and the page's origin is https://.")};
    QCommandLineOption trustedProxy{
        QStringLiteral("trusted-proxy"),
        QStringLiteral("Role web: the address of a reverse proxy in front (repeat for several); only these name "
                       "the client in X-Forwarded-For, which sign-in limits then go by."),
        QStringLiteral("ADDRESS")};
    QCommandLineOption allowedHost{
        QStringLiteral("allowed-host"),
        QStringLiteral("Role web: a host name the browsers use for the desk (repeat for several); requests for "
                       "any other are refused. Default: the --listen address, and localhost on loopback."),
        QStringLiteral("NAME")};
    QCommandLineOption tlsCert{QStringLiteral("tls-cert"), QStringLiteral("Role web: the server's PEM certificate."),
                               QStringLiteral("FILE")};
    QCommandLineOption tlsKey{QStringLiteral("tls-key"), QStringLiteral("Role web: the server's PEM private key."),
                              QStringLiteral("FILE")};
    QCommandLineOption webRoot{
        QStringLiteral("web-root"),
        QStringLiteral("Role web: the folder of the built page (default: the build's web/dist)."),
        QStringLiteral("DIR")};
    QCommandLineOption idleMinutes{QStringLiteral("idle-minutes"),
                                   QStringLiteral("Role web: a session unused this long ends (1 to 1440; default 15)."),
                                   QStringLiteral("N")};
    QCommandLineOption operatorPasswordFile{
        QStringLiteral("operator-password-file"),
        QStringLiteral("Role workstation: signs the --operator in at the field with the first line of this file "
                       "(a headless or kiosk desk); without it the desk asks its operator to sign in."),
        QStringLiteral("FILE")};
    QCommandLineOption historyDays{
        QStringLiteral("history-days"),
        QStringLiteral("Roles demo and field: days the field keeps its report history, in a folder beside the site "
                       "database (0 to 3660; 0: none; default 30)."),
        QStringLiteral("N")};
    QCommandLineOption compare{
        QStringLiteral("compare"),
        QStringLiteral("With --db: lists the points whose state differs between the moment T1 and the moment T2 "
                       "(the next argument), from the report history beside the site; with --out, as a CSV file. "
                       "Moments: \"yyyy-MM-dd HH:mm[:ss]\", local time."),
        QStringLiteral("T1")};
    QCommandLineOption exportIncident{
        QStringLiteral("export-incident"),
        QStringLiteral("With --db and --out FILE: writes the board at the moment, and the reports, alarm journal "
                       "and operator events of the window around it, as one HTML page."),
        QStringLiteral("T")};
    QCommandLineOption windowMinutes{
        QStringLiteral("window-minutes"),
        QStringLiteral("With --export-incident: minutes either side of the moment (1 to %1; default 15).")
            .arg(kMaxWindowMinutes),
        QStringLiteral("N")};
    QCommandLineOption stats{QStringLiteral("stats"),
                             QStringLiteral("Prints a line per second while running: state changes applied, the "
                                            "longest stall of the window's event loop, the site link of the first "
                                            "workstation and the field's states not yet written back.")};

    Parser() {
        parser.setApplicationDescription(
            QStringLiteral("The live status viewer on a site database, with a simulated field and one or more "
                           "workstations."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions({help,
                           db,
                           createDemo,
                           scale,
                           op,
                           workstations,
                           rate,
                           headless,
                           seconds,
                           out,
                           abnormalOnly,
                           stats,
                           broker,
                           brokerUser,
                           brokerPasswordFile,
                           brokerTls,
                           site,
                           computerName,
                           group,
                           reports,
                           burst,
                           control,
                           listen,
                           insecureListen,
                           behindTlsProxy,
                           operatorPasswordFile,
                           tlsCert,
                           tlsKey,
                           webRoot,
                           idleMinutes,
                           trustedProxy,
                           allowedHost,
                           historyDays,
                           compare,
                           exportIncident,
                           windowMinutes});
        parser.addPositionalArgument(QStringLiteral("role"),
                                     QStringLiteral("field, workstation or web: one process of a multi-desk site on "
                                                    "a broker (needs --broker); operator-password LOGIN: sets the "
                                                    "operator's password in the site's directory (--db; the "
                                                    "password is read from standard input). Without it: the whole "
                                                    "demo site in this process."),
                                     QStringLiteral("[role]"));
    }
};

/// A whole number in [low, high], or an error naming the option.
std::optional<int> readInt(const QString& text, const QString& option, int low, int high, QString& error) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 expects a whole number from %2 to %3, not \"%4\"")
                    .arg(option)
                    .arg(low)
                    .arg(high)
                    .arg(text);
        return std::nullopt;
    }
    return value;
}

/// A finite number in [low, high] (or above low when strictlyAbove), or an error naming the option.
std::optional<double> readNumber(const QString& text, const QString& option, double low, double high,
                                 bool strictlyAbove, QString& error) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < low || (strictlyAbove && value == low) || value > high) {
        error = QStringLiteral("--%1 expects a number %2 %3 and at most %4, not \"%5\"")
                    .arg(option, strictlyAbove ? QStringLiteral("above") : QStringLiteral("from"))
                    .arg(low)
                    .arg(high)
                    .arg(text);
        return std::nullopt;
    }
    return value;
}

/// The web desk's own options (role web).
bool readWebOptions(Parser& p, AppOptions& o, QString& error) {
    const bool web = o.role == Role::Web;
    for (const QCommandLineOption* option : {&p.listen, &p.insecureListen, &p.behindTlsProxy, &p.tlsCert, &p.tlsKey,
                                             &p.webRoot, &p.idleMinutes, &p.trustedProxy, &p.allowedHost}) {
        if (!web && p.parser.isSet(*option)) {
            error = QStringLiteral("--%1 is for the role web").arg(option->names().constFirst());
            return false;
        }
    }
    if (!web)
        return true;
    if (p.parser.isSet(p.listen)) {
        const QString value = p.parser.value(p.listen).trimmed();
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port < 0 || port > 65535) {
            error = QStringLiteral("--listen expects HOST:PORT, not \"%1\"").arg(value);
            return false;
        }
        o.listenHost = value.left(colon);
        // An IPv6 address in brackets, as in a URL.
        if (o.listenHost.startsWith(QLatin1Char('[')) && o.listenHost.endsWith(QLatin1Char(']')))
            o.listenHost = o.listenHost.mid(1, o.listenHost.size() - 2);
        o.listenPort = port;
    }
    o.insecureListen = p.parser.isSet(p.insecureListen);
    o.behindTlsProxy = p.parser.isSet(p.behindTlsProxy);
    for (const QString& value : p.parser.values(p.trustedProxy)) {
        const QHostAddress proxy(value.trimmed());
        if (proxy.isNull()) {
            error = QStringLiteral("--trusted-proxy expects an IP address, not \"%1\"").arg(value.left(60));
            return false;
        }
        o.trustedProxies << proxy;
    }
    for (const QString& value : p.parser.values(p.allowedHost))
        o.allowedHosts << value.trimmed();
    o.tlsCert = p.parser.value(p.tlsCert).trimmed();
    o.tlsKey = p.parser.value(p.tlsKey).trimmed();
    if (o.tlsCert.isEmpty() != o.tlsKey.isEmpty()) {
        error = QStringLiteral("--tls-cert and --tls-key go together");
        return false;
    }
    o.webRoot = p.parser.value(p.webRoot).trimmed();
    if (p.parser.isSet(p.idleMinutes)) {
        const auto v = readInt(p.parser.value(p.idleMinutes), QStringLiteral("idle-minutes"), 1, 1440, error);
        if (!v)
            return false;
        o.idleMinutes = *v;
    }
    return true;
}

bool readRoleOptions(Parser& p, AppOptions& o, QString& error) {
    if (p.parser.isSet(p.operatorPasswordFile)) {
        o.operatorPasswordFile = p.parser.value(p.operatorPasswordFile).trimmed();
        if (o.role != Role::Workstation || !p.parser.isSet(p.op) || o.operatorPasswordFile.isEmpty()) {
            error = QStringLiteral("--operator-password-file is for the role workstation, with --operator");
            return false;
        }
    }
    if (o.role == Role::OperatorPassword) {
        if (!p.parser.isSet(p.db)) {
            error = QStringLiteral("operator-password needs --db URL");
            return false;
        }
        return true;
    }
    const bool roled = o.role != Role::Demo;
    for (const QCommandLineOption* option : {&p.broker, &p.brokerUser, &p.brokerPasswordFile, &p.brokerTls, &p.site,
                                             &p.computerName, &p.reports, &p.burst, &p.control}) {
        if (!roled && p.parser.isSet(*option)) {
            error =
                QStringLiteral("--%1 needs a role: statusviewer field|workstation|web --broker mqtt://HOST:PORT ...")
                    .arg(option->names().constFirst());
            return false;
        }
    }
    if (!roled)
        return true;
    if (!p.parser.isSet(p.broker)) {
        error = QStringLiteral("The roles field, workstation and web need --broker mqtt://HOST:PORT");
        return false;
    }
    if (!parseBrokerUrl(p.parser.value(p.broker), o.broker, error))
        return false;
    if (p.parser.isSet(p.workstations)) {
        error = QStringLiteral("--workstations is for the single-process demo; start one workstation process per desk");
        return false;
    }
    o.broker.user = p.parser.value(p.brokerUser).trimmed();
    o.broker.passwordFile = p.parser.value(p.brokerPasswordFile).trimmed();
    o.broker.tlsCaFile = p.parser.value(p.brokerTls).trimmed();
    if (!o.broker.passwordFile.isEmpty() && o.broker.user.isEmpty()) {
        error = QStringLiteral("--broker-password-file needs --broker-user");
        return false;
    }
    if (p.parser.isSet(p.site)) {
        o.broker.site = p.parser.value(p.site).trimmed();
        // The name is one level of the topic tree: no level separator, no wildcard.
        if (o.broker.site.isEmpty() || o.broker.site.contains(QRegularExpression(QStringLiteral("[/+#\\s]")))) {
            error = QStringLiteral("--site expects a name without \"/\", \"+\", \"#\" or spaces");
            return false;
        }
    }
    if (o.role == Role::Web)
        o.computerName = QStringLiteral("WEB1");
    if (p.parser.isSet(p.computerName)) {
        if (o.role != Role::Workstation && o.role != Role::Web) {
            error = QStringLiteral("--computer-name is for the roles workstation and web");
            return false;
        }
        o.computerName = p.parser.value(p.computerName).trimmed();
        if (o.computerName.isEmpty() || o.computerName.size() > 50) {
            error = QStringLiteral("--computer-name expects a name of 1 to 50 characters");
            return false;
        }
    }
    if (p.parser.isSet(p.reports)) {
        if (o.role != Role::Field) {
            error = QStringLiteral("--reports is for the role field");
            return false;
        }
        const auto v = readInt(p.parser.value(p.reports), QStringLiteral("reports"), 1, 100000000, error);
        if (!v)
            return false;
        o.reports = *v;
    }
    if (p.parser.isSet(p.burst)) {
        if (o.role != Role::Field) {
            error = QStringLiteral("--burst is for the role field");
            return false;
        }
        const auto v = readInt(p.parser.value(p.burst), QStringLiteral("burst"), 0, 1000000, error);
        if (!v)
            return false;
        o.burst = *v;
    }
    if (p.parser.isSet(p.historyDays)) {
        if (o.role != Role::Field && o.role != Role::Demo) {
            error = QStringLiteral("--history-days is for the roles demo and field");
            return false;
        }
        const auto v =
            readInt(p.parser.value(p.historyDays), QStringLiteral("history-days"), 0, kMaxHistoryDays, error);
        if (!v)
            return false;
        o.historyDays = *v;
    }
    o.control = p.parser.isSet(p.control);
    return true;
}

/// --compare and --export-incident: the moments, the window and the file. A history task runs on
/// its own: no role, no demo options.
bool readHistoryTask(Parser& p, AppOptions& o, QStringList& positional, QString& error) {
    const bool comparing = p.parser.isSet(p.compare);
    const bool exporting = p.parser.isSet(p.exportIncident);
    if (!comparing && !exporting) {
        if (p.parser.isSet(p.windowMinutes)) {
            error = QStringLiteral("--window-minutes is for --export-incident");
            return false;
        }
        return true;
    }
    if (comparing && exporting) {
        error = QStringLiteral("--compare and --export-incident go one at a time");
        return false;
    }
    if (!p.parser.isSet(p.db)) {
        error = QStringLiteral("--%1 needs --db sqlite:PATH, the site whose report history it reads")
                    .arg(comparing ? QStringLiteral("compare") : QStringLiteral("export-incident"));
        return false;
    }
    o.historyTask = comparing ? HistoryTask::Compare : HistoryTask::ExportIncident;
    const auto first = parseMoment(p.parser.value(comparing ? p.compare : p.exportIncident), error);
    if (!first)
        return false;
    o.moment = *first;
    if (comparing) {
        // The second moment is the argument after the first.
        if (positional.size() != 1) {
            error = QStringLiteral("--compare expects two moments: --compare \"T1\" \"T2\"");
            return false;
        }
        const auto second = parseMoment(positional.takeFirst(), error);
        if (!second)
            return false;
        o.secondMoment = *second;
    }
    if (p.parser.isSet(p.windowMinutes)) {
        if (comparing) {
            error = QStringLiteral("--window-minutes is for --export-incident");
            return false;
        }
        const auto v =
            readInt(p.parser.value(p.windowMinutes), QStringLiteral("window-minutes"), 1, kMaxWindowMinutes, error);
        if (!v)
            return false;
        o.windowMinutes = *v;
    }
    o.outFile = p.parser.value(p.out).trimmed();
    if (exporting && o.outFile.isEmpty()) {
        error = QStringLiteral("--export-incident needs --out FILE, the page to write");
        return false;
    }
    return true;
}

}  // namespace

std::optional<QDateTime> parseMoment(const QString& text, QString& error) {
    QString written = text.trimmed();
    if (written.size() > 10 && written.at(10) == QLatin1Char('T'))
        written[10] = QLatin1Char(' ');
    for (const QString& format : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm")}) {
        const QDateTime moment = QDateTime::fromString(written, format);
        // A time the clock skipped (the hour a summer time starts) comes back moved: refused.
        if (moment.isValid() && moment.toString(format) == written)
            return moment;
    }
    error = QStringLiteral("a moment is \"yyyy-MM-dd HH:mm\" or \"yyyy-MM-dd HH:mm:ss\" of the local time, not \"%1\"")
                .arg(text.left(60));
    return std::nullopt;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    Parser p;
    CommandLine result;
    if (!p.parser.parse(arguments)) {
        result.error = p.parser.errorText();
        return result;
    }
    if (p.parser.isSet(p.help)) {
        result.helpRequested = true;
        return result;
    }
    AppOptions& o = result.options;
    QString& error = result.error;
    QStringList positional = p.parser.positionalArguments();
    if (!readHistoryTask(p, o, positional, error))
        return result;
    if (!positional.isEmpty()) {
        if (positional.constFirst() == QLatin1String("field"))
            o.role = Role::Field;
        else if (positional.constFirst() == QLatin1String("workstation"))
            o.role = Role::Workstation;
        else if (positional.constFirst() == QLatin1String("web"))
            o.role = Role::Web;
        else if (positional.constFirst() == QLatin1String("operator-password") && positional.size() == 2)
            o.role = Role::OperatorPassword;
        const int words = o.role == Role::OperatorPassword ? 2 : 1;
        o.operatorName = o.role == Role::OperatorPassword ? positional.value(1).trimmed() : QString();
        if (o.role == Role::Demo || positional.size() > words) {
            error =
                QStringLiteral("Unexpected argument \"%1\"").arg(positional.value(o.role == Role::Demo ? 0 : words));
            return result;
        }
    }
    if (o.historyTask != HistoryTask::None && o.role != Role::Demo) {
        error = QStringLiteral("--compare and --export-incident run on their own, without a role");
        return result;
    }
    if (!readRoleOptions(p, o, error) || !readWebOptions(p, o, error))
        return result;
    if (p.parser.isSet(p.db)) {
        o.dbUrl = p.parser.value(p.db).trimmed();
        if (o.dbUrl.isEmpty()) {
            error = QStringLiteral("--db expects sqlite:PATH or odbc:CONNECTION-STRING");
            return result;
        }
    }
    o.createDemo = p.parser.isSet(p.createDemo);
    if (o.createDemo && o.dbUrl.isEmpty()) {
        error = QStringLiteral("--create-demo needs --db sqlite:PATH (the default demo site is created anyway)");
        return result;
    }
    if (p.parser.isSet(p.scale)) {
        const auto v = readInt(p.parser.value(p.scale), QStringLiteral("scale"), kMinScale, kMaxScale, error);
        if (!v)
            return result;
        o.scale = *v;
    }
    if (p.parser.isSet(p.op)) {
        o.operatorName = p.parser.value(p.op).trimmed();
        if (o.operatorName.isEmpty()) {
            error = QStringLiteral("--operator expects a login name or an operator number");
            return result;
        }
    }
    if (p.parser.isSet(p.workstations)) {
        const auto v =
            readInt(p.parser.value(p.workstations), QStringLiteral("workstations"), 1, kMaxWorkstations, error);
        if (!v)
            return result;
        o.workstations = *v;
    }
    if (p.parser.isSet(p.rate)) {
        const auto v = readNumber(p.parser.value(p.rate), QStringLiteral("rate"), 0.0, 1000000.0, false, error);
        if (!v)
            return result;
        o.rate = *v;
    }
    if (p.parser.isSet(p.group)) {
        o.group = p.parser.value(p.group).trimmed();
        if (o.group.isEmpty()) {
            error = QStringLiteral("--group expects a status group's name");
            return result;
        }
    }
    o.headless = p.parser.isSet(p.headless);
    o.abnormalOnly = p.parser.isSet(p.abnormalOnly);
    o.stats = p.parser.isSet(p.stats);
    if (p.parser.isSet(p.seconds)) {
        const auto v = readNumber(p.parser.value(p.seconds), QStringLiteral("seconds"), 0.0, 86400.0, true, error);
        if (!v)
            return result;
        o.seconds = *v;
    }
    if (p.parser.isSet(p.out) && o.historyTask == HistoryTask::None) {
        const QString dir = p.parser.value(p.out).trimmed();
        if (dir.isEmpty()) {
            error = QStringLiteral("--out expects a folder");
            return result;
        }
        o.outDir = dir;
    }
    return result;
}

QString commandLineHelp() {
    Parser p;
    return p.parser.helpText();
}

bool runsHeadless(const AppOptions& options, const QString& display, const QString& waylandDisplay,
                  const QString& qpaPlatform) {
    if (options.headless)
        return true;
    if (qpaPlatform.trimmed().startsWith(QLatin1String("offscreen"), Qt::CaseInsensitive))
        return true;
    return display.isEmpty() && waylandDisplay.isEmpty();
}

}  // namespace sv
