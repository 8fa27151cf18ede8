// Two moments of the site side by side: the points whose shown state differs, each with its name,
// address and section as the operator knows them and both states worded as the desk words them.
// The rows are read from two desks that draw the two boards (PastSite), so nothing is decoded here.
#pragma once

#include <statusobject/StatusReader.h>

#include <QString>
#include <QStringList>
#include <QVector>

namespace sv {

/// The columns of a row that say who the point is rather than its state, by their captions.
struct IdentityColumns {
    QString address;      // the address column's caption
    QString lastUpdated;  // when the desk received the state: differs between any two draws
};

/// A point as one desk shows it.
struct ShownPoint {
    QString section;  // the section's title
    QString name;
    QString address;
    QStringList captions;  // the state columns' captions
    QStringList cells;     // their texts, in the same order
};

/// Every row of every section a reader shows. The name is the first column that is neither the
/// address nor the reception time (every section starts with its points' names).
QVector<ShownPoint> shownPoints(const so::StatusReader& reader, const IdentityColumns& identity);

/// A point whose state differs between two moments.
struct PointDifference {
    QString section;
    QString name;
    QString address;
    QString before;  // "Caption: text" of each column that changed, joined by "; "
    QString after;
    bool operator==(const PointDifference&) const = default;
};

/// The points of `after` whose state columns differ from the same point's (same section and
/// address) in `before`, in the order of `after`, then those only `before` shows. A point shown
/// at one moment only is worded "not shown" at the other.
QVector<PointDifference> comparePoints(const QVector<ShownPoint>& before, const QVector<ShownPoint>& after);

/// The differences as comma-separated lines (UTF-8, CRLF) under a header naming both moments.
QString differencesCsv(const QVector<PointDifference>& differences, const QString& beforeLabel,
                       const QString& afterLabel);

/// One field of a comma-separated line, safe to open in a spreadsheet: quoted when it holds a
/// comma, a quote or a line break (quotes doubled), and a text that a spreadsheet would take for
/// a formula (=, +, -, @ first) led by an apostrophe. Texts from the field and from operators
/// pass through here.
QString csvField(const QString& text);

}  // namespace sv
