// Sees every statement the database layer sends, as its caller wrote it (before any rewriting),
// with the values bound to it: tests collect what the component and the application send.
#pragma once

#include <statusobject/Db.h>

#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>

namespace so::db {

struct SentStatement {
    QString text;                        // a statement, or a procedure's name when `procedure`
    QVariantList values;                 // bound in order (procedure arguments in order)
    bool procedure = false;              // a Command marked as a procedure call
    QVector<ParamDirection> directions;  // of the procedure's arguments
};

using StatementObserver = std::function<void(const SentStatement&)>;

/// Installs `observer` for every connection of the process (an empty one removes it); returns the
/// one installed before. Not for concurrent use: tests install it around the code they drive.
StatementObserver setStatementObserver(StatementObserver observer);

}  // namespace so::db
