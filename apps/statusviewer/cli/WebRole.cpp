#include "cli/WebRole.h"

#include "cli/SiteRoles.h"
#include "field/HistoryPastSources.h"
#include "host/Counted.h"

#include "StartupError.h"

#include <QCoreApplication>

#ifndef STATUSVIEWER_WEB_ROOT
#define STATUSVIEWER_WEB_ROOT ""
#endif

namespace sv::web {

WebRole::WebRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder) : options_(options) {
    // The field takes a desk's command only from the login the command names.
    if (!options.broker.user.isEmpty() && options.broker.user != options.computerName)
        throw StartupError(QStringLiteral("The web desk logs in to the broker under its computer name: "
                                          "--broker-user %1 is not %2")
                               .arg(options.broker.user, options.computerName));
    log_.setEcho(true);
    WebDeskOptions web;
    web.siteUrl = siteUrl;
    web.logFolder = logFolder;
    web.site = options.broker.site;
    web.deskName = options.computerName;
    web.address = QHostAddress(options.listenHost);
    if (web.address.isNull()) {
        if (options.listenHost.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            throw StartupError(QStringLiteral("--listen expects an IP address, not \"%1\"").arg(options.listenHost));
        web.address = QHostAddress::LocalHost;
    }
    web.port = quint16(options.listenPort);
    web.tlsCert = options.tlsCert;
    web.tlsKey = options.tlsKey;
    web.insecureListen = options.insecureListen;
    web.behindTlsProxy = options.behindTlsProxy;
    web.trustedProxies = options.trustedProxies;
    web.allowedHosts = options.allowedHosts;
    web.webRoot = options.webRoot.isEmpty() ? QStringLiteral(STATUSVIEWER_WEB_ROOT) : options.webRoot;
    web.idleMs = qint64(options.idleMinutes) * 60 * 1000;
    web.group = options.group;
    // The field answers for the days it keeps; the tabs are offered the same.
    web.past = [days = options.historyDays](DeskLink& link) { return std::make_unique<BusPastSource>(link, days); };
    link_ = std::make_unique<MqttLink>(options.broker, clientId(QStringLiteral("web"), options.computerName),
                                       deskSubscriptions(options.broker.site, options.computerName));
    desk_ = std::make_unique<WebDesk>(web, *link_, log_);
    link_->start();
}

WebRole::~WebRole() {
    desk_.reset();
    // The network thread stops after the desk its callbacks reach has gone.
    link_.reset();
}

QString WebRole::control(const QString& line) {
    const QString word = line.section(QLatin1Char(' '), 0, 0);
    if (word == QLatin1String("status"))
        return QStringLiteral("web %1 port %2 tabs %3 operators %4 link %5")
            .arg(options_.computerName)
            .arg(desk_->port())
            .arg(desk_->tabCount())
            .arg(desk_->operatorCount())
            .arg(desk_->link().isUp() ? QStringLiteral("up") : QStringLiteral("down"));
    if (word == QLatin1String("rows")) {
        // "rows FILE LOGIN": the rows the operator's first component shows, as a desk's "rows"
        // writes them.
        const QString login = line.section(QLatin1Char(' '), 2, 2);
        const QList<OperatorDesk*> open = desk_->operatorDesks(login);
        if (open.isEmpty())
            return QStringLiteral("rows: no component open for \"%1\"").arg(login.left(40));
        return writeRows(open.constFirst()->station(), line.section(QLatin1Char(' '), 1, 1));
    }
    if (word == QLatin1String("quit")) {
        QCoreApplication::quit();
        return QStringLiteral("bye");
    }
    return QStringLiteral("unknown command \"%1\"").arg(line.left(40));
}

QString WebRole::summary() {
    return QStringLiteral("statusviewer web %1: port %2, %3, %4 logged")
        .arg(options_.computerName)
        .arg(desk_->port())
        .arg(counted(desk_->link().reportsApplied(), "state report", "state reports"),
             counted(log_.errorCount(), "error", "errors"));
}

}  // namespace sv::web
