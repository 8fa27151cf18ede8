#include "base/ComponentContext.h"

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

}  // namespace so
