// Prepared inserts into the site tables, for writing many rows fast (the demo site generator).
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>

namespace so::db {

/// One prepared "INSERT INTO table (columns) VALUES (?, ...)", executed once per row.
class RowInserter {
public:
    RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns);
    /// Inserts one row; the values go to the columns in order. Throws DbError on failure.
    void insert(std::initializer_list<QVariant> values);

private:
    QSqlQuery query_;
    QString statement_;
    int columnCount_;
};

/// The inserts of every site table the demo site fills.
struct SiteWriters {
    explicit SiteWriters(const QSqlDatabase& db);

    RowInserter ports, pylons, dvrConfig, csrConfig;
    RowInserter controllers, panelSetups, inputs, outputs, readers, doors, expInputs, expOutputs;
    RowInserter superStatus, threatLevels;
    RowInserter zrControllers, zrDoors, zrInputs, zrRelays, zrReaders, zrModules, zrKeypads;
    RowInserter zrKeypadsInReader, zrInputsInDoors, zrRelaysInDoors, zrReadersInDoors;
    RowInserter groups, points;
    RowInserter operators, operatorPasswords, operatorGroups, operatorsToGroups, permissions, boundaries;
    RowInserter profiles, profileDetails, workstations;
};

}  // namespace so::db
