// The web desk's process (statusviewer web --broker ... --db URL [--listen HOST:PORT]
// [--tls-cert F --tls-key F]); browsers sign in as the site's operators.
#pragma once

#include "cli/CliOptions.h"
#include "host/AppLog.h"
#include "web/WebDesk.h"

#include "MqttLink.h"

#include <memory>

namespace sv::web {

class WebRole {
public:
    /// Connects to the broker and starts the server. Throws StartupError.
    WebRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder);
    ~WebRole();

    /// Control lines: "status" (port, tabs, operators' components), "quit".
    QString control(const QString& line);
    /// "statusviewer web WEB1: port P, N tabs, M operators, E errors logged".
    QString summary();
    WebDesk& desk() { return *desk_; }

private:
    AppOptions options_;
    AppLog log_;
    std::unique_ptr<MqttLink> link_;
    std::unique_ptr<WebDesk> desk_;
};

}  // namespace sv::web
