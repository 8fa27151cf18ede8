#include "base/ComponentContext.h"

#include <QDateTime>

namespace so {

ConsoleHost& ComponentContext::host() const {
    if (lifetime.ended())
        throw ComponentEnded();
    if (parent == nullptr)
        throw HostError(QStringLiteral("Object variable not set (Parent)"), 91);
    return *parent;
}

SiteConnection& ComponentContext::site() const {
    if (lifetime.ended())
        throw ComponentEnded();
    if (ntConnection == nullptr)
        throw HostError(QStringLiteral("Object variable not set (NTConnection)"), 91);
    return *ntConnection;
}

db::Connection& ComponentContext::db() const {
    if (dbConnection == nullptr)
        throw db::DbError(QStringLiteral("Object variable not set (DBConnection)"));
    return *dbConnection;
}

qint64 timeOfDayMs(const ComponentContext& ctx) {
    return ctx.shownMomentMs != 0 ? ctx.shownMomentMs : QDateTime::currentMSecsSinceEpoch();
}

}  // namespace so
