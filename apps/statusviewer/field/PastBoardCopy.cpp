#include "field/PastBoardCopy.h"

#include "field/FieldWriter.h"

namespace sv {

void applyPastBoard(so::db::Connection& db, const history::PastBoard& board) {
    FieldWrites rows;
    for (const history::StatusRowValue& row : board.statusRows)
        rows.statusRows.insert(FieldWrites::statusKey(row.controllerId, row.statusType),
                               row.text.isNull() ? QStringLiteral("") : row.text);  // Status is NOT NULL
    for (const history::DeviceRowValue& row : board.deviceRows)
        rows.deviceRows[deviceColumnUpdate(row.column)].insert(row.id, row.value);
    FieldWriter::write(db, rows);
}

void copySiteAt(so::db::Connection& site, const QString& copyPath, const history::PastBoard& board) {
    so::db::Command vacuum(site, QStringLiteral("VACUUM INTO ?"));
    vacuum.appendParameter(QStringLiteral("@Path"), so::db::ParamType::NVarChar, so::db::ParamDirection::Input, 0,
                           copyPath);
    vacuum.execute();
    const auto copy = so::db::Connection::open(QStringLiteral("sqlite:") + copyPath);
    applyPastBoard(*copy, board);
}

}  // namespace sv
