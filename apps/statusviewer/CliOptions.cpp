#include "CliOptions.h"

#include <QCommandLineParser>

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
                                          "current folder)."),
                           QStringLiteral("DIR")};

    QCommandLineOption abnormalOnly{QStringLiteral("abnormal-only"),
                                    QStringLiteral("Starts every window with \"Abnormal only\" on: only the points in "
                                                   "alarm or warning show.")};
    QCommandLineOption stats{QStringLiteral("stats"),
                             QStringLiteral("Prints a line per second while running: state changes applied, the "
                                            "longest stall of the window's event loop, the site link of the first "
                                            "workstation and the field's states not yet written back.")};

    Parser() {
        parser.setApplicationDescription(
            QStringLiteral("The live status viewer on a site database, with a simulated field and one or more "
                           "workstations."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions(
            {help, db, createDemo, scale, op, workstations, rate, headless, seconds, out, abnormalOnly, stats});
    }
};

/// A whole number in [low, high], or an error naming the option.
std::optional<int> readInt(const QString& text, const QString& option, int low, int high, QString& error) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 expects a whole number from %2 to %3, not \"%4\"").arg(option).arg(low).arg(high).arg(text);
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

}  // namespace

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
    if (!p.parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument \"%1\"").arg(p.parser.positionalArguments().constFirst());
        return result;
    }

    AppOptions& o = result.options;
    QString& error = result.error;
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
        const auto v = readInt(p.parser.value(p.workstations), QStringLiteral("workstations"), 1, kMaxWorkstations, error);
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
    o.headless = p.parser.isSet(p.headless);
    o.abnormalOnly = p.parser.isSet(p.abnormalOnly);
    o.stats = p.parser.isSet(p.stats);
    if (p.parser.isSet(p.seconds)) {
        const auto v = readNumber(p.parser.value(p.seconds), QStringLiteral("seconds"), 0.0, 86400.0, true, error);
        if (!v)
            return result;
        o.seconds = *v;
    }
    if (p.parser.isSet(p.out)) {
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
