// Where a desk reads the site's past: the field's report history, in the same process or asked
// over the site bus. A desk shows a past moment on a scratch copy of the site with the board of
// that moment written into it; it never writes the site itself.
#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <utility>

namespace so::db {
class Connection;
}

namespace sv {

/// The board of one past moment, ready to be written into a copy of the site.
struct PastAnswer {
    qint64 moment = 0;  // ms since the epoch
    /// Why there is no board; empty when there is one.
    QString refusal;
    /// Part of the history before the moment could not be read: some states may be older.
    bool approximate = false;
    /// Why it is approximate.
    QString note;
    /// Copies the site into a new file at path (which must not exist) and writes the board into
    /// the copy. Throws so::db::DbError.
    std::function<void(so::db::Connection& site, const QString& path)> copySite;
    /// Writes the board into a copy made by copySite. Throws so::db::DbError.
    std::function<void(so::db::Connection& copy)> writeInto;
};

class PastSource {
public:
    virtual ~PastSource() = default;
    /// The first and last moment the history holds (ms since the epoch); first > last when it
    /// cannot tell.
    virtual std::pair<qint64, qint64> span() = 0;
    /// The distinct times of the reports around moment, oldest first (reportTimesAround in
    /// host/PastCursor.h says which); done is called once with them (possibly later, on the event
    /// loop), empty when the source keeps no reports it can give. The caller keeps done safe to
    /// call after it has gone.
    virtual void reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) = 0;
    /// Asks for the board at moment; done is called once with it (possibly later, on the event
    /// loop). The caller keeps done safe to call after it has gone.
    virtual void boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) = 0;
};

}  // namespace sv
