// The headless component the window-level fuzz targets drive: a Status shown on a small generated
// site in a private in-memory database, with the recording host and scripted dialogs, the whole
// site's group filled into its sections. Generating the site and filling the window take far longer
// than one fuzz input may, so the site is made once per process and every input works on it.
//
// Inputs leave state behind (cell texts, group box entries, kept lookups); beginInput() brings the
// parts an input may have changed back to the filled window and empties the recorders, so a long
// fuzzing run keeps its memory bounded.
#pragma once

#include "site/DemoSite.h"
#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <memory>

namespace so {
class StatusWindow;
}

namespace so::fuzz {

class FuzzSite {
public:
    /// The process's site, made on first use (with a QCoreApplication when none runs yet).
    static FuzzSite& instance();

    Status& status() { return *status_; }
    StatusWindow& window();
    db::Connection& db() { return *db_; }
    test::FakeHost& host() { return host_; }
    const db::DemoSiteSummary& site() const { return site_; }

    /// Every address a row of the filled window shows (sections 0-7 and the masked list), and the
    /// classic controllers' addresses; each once.
    const QStringList& addresses() const { return addresses_; }

    /// Empties the recorders and the error log, and shows the site's group again when an input
    /// changed which group is shown or what the group box holds.
    void beginInput();

    /// Rows modified in the database since the connection opened (SQLite's total_changes()).
    qint64 databaseChanges();

    /// Rows per section of the filled window.
    std::array<int, 8> rowCounts();

    /// Throws Finding unless every row of every grid is found by its own address (the first row
    /// holding an address is the one the index answers).
    void checkAddressIndexes();

private:
    FuzzSite();
    void showSiteGroup();

    std::unique_ptr<db::Connection> db_;
    db::DemoSiteSummary site_;
    test::FakeHost host_;
    test::FakeDialogs dialogs_;
    QTemporaryDir logDir_;
    std::unique_ptr<Status> status_;
    QStringList addresses_;
    int groupEntryCount_ = 0;
};

}  // namespace so::fuzz
