// Where the site's links log what happens on the bus (the application's log).
#pragma once

#include <QString>

namespace sv {

class SiteLog {
public:
    virtual ~SiteLog() = default;
    virtual void info(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
};

}  // namespace sv
