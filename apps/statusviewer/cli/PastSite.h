// The site as it was at past moments, for a supervisor's reading: the history kept beside the site
// database is rebuilt into scratch copies of the site, and a headless workstation opened on each
// copy (fed by no field) draws the board exactly as the copy holds it, worded as every desk words
// it. The site and its history are only read.
#pragma once

#include "desk/Workstation.h"
#include "field/HistoryReader.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"

#include "FieldInterfaces.h"
#include <statusobject/Db.h>
#include <statusobject/StatusReader.h>

#include <QTemporaryDir>

#include <memory>

namespace sv {

/// Who reads the past boards: the workstation and operator whose group and rights the desk takes,
/// and the group it shows (empty: the workstation's own).
struct PastReader {
    QString computerName = QStringLiteral("WS1");
    QString operatorName;
    QString group;
};

/// One past moment drawn by a headless Status on its own copy of the site.
struct PastMoment {
    history::PastBoard board;  // the rows the copy was given (fidelity and note included)
    std::unique_ptr<Workstation> desk;
    std::unique_ptr<so::StatusReader> reader;
};

class PastSite {
public:
    /// Opens the SQLite site of siteUrl and the history beside it. Throws StartupError when the
    /// site is no file of its own or keeps no history.
    PastSite(const QString& siteUrl, PastReader who);
    ~PastSite();
    PastSite(const PastSite&) = delete;
    PastSite& operator=(const PastSite&) = delete;

    /// The board at moment (ms since the epoch) drawn by a desk of its own. Throws StartupError
    /// with the history's reason when it holds nothing readable for the moment, or the group is
    /// unknown.
    std::unique_ptr<PastMoment> open(qint64 moment);
    /// The reports the field sent from `from` to `to` (both included), oldest first, at most limit.
    QVector<history::PastReport> reports(qint64 from, qint64 to, int limit);
    /// A connection of its own to the site, for reading.
    so::db::Connection& site() { return *site_; }
    AppLog& log() { return log_; }
    ResourceTexts& texts() { return texts_; }

private:
    /// A field that never reports: a desk on a copy shows what the copy holds.
    struct SilentField final : StateSource {
        void addSink(StateSink*) override {}
        void removeSink(StateSink*) override {}
    };

    QString siteUrl_;
    PastReader who_;
    AppLog log_;
    ResourceTexts texts_{&log_};
    DrawnImageList images_;
    SyncBus notices_;
    SilentField silent_;
    QTemporaryDir scratch_;
    std::unique_ptr<so::db::Connection> site_;
    history::HistoryReader history_;
    int copies_ = 0;
};

}  // namespace sv
