// Rows of the status window's grids as text for other programs: comma-separated files (quoted as
// RFC 4180 says, UTF-8, CRLF line ends) and tab-separated text for the clipboard.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace so {

class StatusGrid;

/// A header row of captions and the rows' cell texts, in the columns' display order.
struct ExportTable {
    QString title;  // the section's name; heads its block in a whole-window file
    QStringList header;
    QVector<QStringList> rows;
};

/// The visible columns of `grid` (the grid's column order is its display order) and the given
/// rows (numbered from 1) of it.
ExportTable exportTable(const StatusGrid& grid, const QVector<int>& rows, const QString& title = {});

/// One field, quoted when it holds the separator, a quote or a line break (quotes doubled).
QString quoteField(const QString& field, QChar separator);

/// A table as comma-separated lines: the header, then the rows.
QString toCsv(const ExportTable& table);
/// Several tables in one file: each block is its title on a line of its own, its header and rows,
/// and an empty line before the next block.
QString toCsv(const QVector<ExportTable>& tables);
/// The rows alone (no header) as tab-separated lines, for pasting into a spreadsheet.
QString toTabSeparated(const ExportTable& table);

}  // namespace so
