// The operator's steps on the site's alarms (acknowledging an alarm, shelving a point) as the site
// database keeps them, and the host object through which a desk of a multi-desk site hands them
// to the site's authority.
//
// One way writes them: the component of a one-process site records its operator's steps with
// these functions, and the field of a multi-desk site records a desk's steps with them once it
// has checked the operator. AlarmStates holds each alarm's acknowledgement, ShelvedPoints each
// shelved point until its time is up, and every step is a row of AlarmJournal. Statements are
// bound, never built from a point's or an operator's text; each call runs in one transaction.
// Times are milliseconds since 1970 (UTC), stored to the whole second.
#pragma once

#include <statusobject/Export.h>

#include <QString>

#include <vector>

namespace so {

namespace db {
class Connection;
}

/// How long a point may be shelved, in minutes.
inline constexpr int kShelveMinMinutes = 15;
inline constexpr int kShelveMaxMinutes = 8 * 60;

/// One alarm occurrence: its point and when it was raised.
struct AlarmRaised {
    QString address;      ///< the point's address
    qint64 raisedMs = 0;  ///< when the occurrence was raised
};

/// An alarm occurrence's acknowledgement as the site recorded it.
struct AlarmAcknowledgement {
    QString address;      ///< the point's address
    qint64 raisedMs = 0;  ///< when the acknowledged occurrence was raised
    QString by;           ///< the acknowledging operator's login name
    qint64 atMs = 0;      ///< when it was acknowledged
};

/// A point's shelving as the site recorded it.
struct AlarmShelving {
    QString address;     ///< the point's address
    qint64 untilMs = 0;  ///< when the point returns by itself
    QString by;          ///< the shelving operator's login name
};

/// Records operator `by`'s acknowledgement of these alarms with the comment; returns those
/// recorded now (an alarm acknowledged before, or no longer the point's current occurrence, is
/// not recorded). Throws db::DbError.
STATUSOBJECT_EXPORT std::vector<AlarmAcknowledgement> recordAcknowledgements(db::Connection& db,
                                                                             const std::vector<AlarmRaised>& alarms,
                                                                             const QString& by, const QString& comment,
                                                                             qint64 nowMs);
/// Records that operator `by` shelved the point for `minutes` (a shelved point's time starts
/// again); the shelving. Throws db::DbError.
STATUSOBJECT_EXPORT AlarmShelving recordShelving(db::Connection& db, const QString& address, int minutes,
                                                 const QString& by, qint64 nowMs);
/// Ends the point's shelving, its time up (timed by the desk's steady clock): true when this call
/// ended it, so the journal says "unshelved" once, whichever desk saw it first. Throws db::DbError.
STATUSOBJECT_EXPORT bool recordShelvingOver(db::Connection& db, const QString& address, qint64 nowMs);
/// The acknowledgements of the alarms the site holds now. Throws db::DbError.
STATUSOBJECT_EXPORT std::vector<AlarmAcknowledgement> readAcknowledgements(db::Connection& db);
/// The points shelved at nowMs. Throws db::DbError.
STATUSOBJECT_EXPORT std::vector<AlarmShelving> readShelvings(db::Connection& db, qint64 nowMs);

/// A host whose operator's alarm steps are recorded elsewhere (a desk of a multi-desk site: by
/// the field, which checks the operator and announces each step to every desk). Called on the
/// component's thread; no member may block.
class STATUSOBJECT_EXPORT AlarmHost {
public:
    virtual ~AlarmHost() = default;
    /// The signed-in operator acknowledges these alarms.
    virtual void acknowledge(const std::vector<AlarmRaised>& alarms, const QString& comment) = 0;
    /// The signed-in operator shelves the point for `minutes`.
    virtual void shelve(const QString& address, int minutes) = 0;

    /// What the site recorded since the host was last asked.
    struct News {
        std::vector<AlarmAcknowledgement> acknowledged;  ///< acknowledgements made at any desk
        std::vector<AlarmShelving> shelved;              ///< shelvings made at any desk
        /// Steps may have been missed (the host's link to the site was down): the component reads
        /// the site's current acknowledgements and shelvings.
        bool reread = false;
    };
    /// The steps recorded since the last call, at any desk (the component asks a few times a second).
    virtual News news() = 0;
};

}  // namespace so
