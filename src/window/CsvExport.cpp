#include "window/CsvExport.h"

#include "grid/StatusGrid.h"

namespace so {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

void appendLine(QString& out, const QStringList& fields, QChar separator) {
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        out += quoteField(fields[i], separator);
    }
    out += kLineEnd;
}

}  // namespace

ExportTable exportTable(const StatusGrid& grid, const QVector<int>& rows, const QString& title) {
    ExportTable table;
    table.title = title;
    QVector<int> columns;
    for (int c = 0; c < grid.columnCount(); ++c) {
        if (!grid.column(c).visible)
            continue;
        columns.append(c);
        table.header.append(grid.column(c).caption);
    }
    table.rows.reserve(rows.size());
    for (int row : rows) {
        QStringList fields;
        fields.reserve(columns.size());
        for (int c : columns)
            fields.append(grid.text(row, c));
        table.rows.append(fields);
    }
    return table;
}

QString quoteField(const QString& field, QChar separator) {
    const bool needsQuotes = field.contains(separator) || field.contains(QLatin1Char('"')) ||
                             field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
    if (!needsQuotes)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString toCsv(const ExportTable& table) {
    QString out;
    appendLine(out, table.header, QLatin1Char(','));
    for (const QStringList& row : table.rows)
        appendLine(out, row, QLatin1Char(','));
    return out;
}

QString toCsv(const QVector<ExportTable>& tables) {
    QString out;
    for (int i = 0; i < tables.size(); ++i) {
        if (i > 0)
            out += kLineEnd;
        appendLine(out, {tables[i].title}, QLatin1Char(','));
        out += toCsv(tables[i]);
    }
    return out;
}

QString toTabSeparated(const ExportTable& table) {
    QString out;
    for (const QStringList& row : table.rows)
        appendLine(out, row, QLatin1Char('\t'));
    return out;
}

}  // namespace so
