#include "grid/RowCells.h"

#include "domain/StateTexts.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "grid/StatusGrid.h"

namespace so::rows {

void setText(StatusGrid& grid, int row, const QString& key, const QString& text) {
    const int column = grid.columnIndex(key);
    if (column >= 0)
        grid.setText(row, column, text);
}

void setData(StatusGrid& grid, int row, const QString& key, qint64 value) {
    if (grid.columnIndex(key) >= 0)
        grid.setData(row, key, value);
}

void setCell(StatusGrid& grid, int row, const QString& key, const QString& text, quint32 format, int icon) {
    if (grid.columnIndex(key) >= 0)
        grid.setCell(row, key, text, format, icon);
}

QString classicDoorLineModule(qint64 panelType, qint64 inputIndex, qint64 anlgMode) {
    if (panelType == 3 && inputIndex >= 3)
        return QStringLiteral("-");
    return QString::number(anlgMode);
}

void writeLineStates(StatusGrid& grid, int row, qint32 packedLineStates) {
    setText(grid, row, col::Input1, GetLineStateText(packedLineStates, 0));
    setText(grid, row, col::Input2, GetLineStateText(packedLineStates, 1));
    setText(grid, row, col::Input3, GetLineStateText(packedLineStates, 2));
}

void writeNewerLineRelayState(StatusGrid& grid, int row, const db::Recordset& rs, const QString& stateKey) {
    if (!fields::flag(rs, QStringLiteral("ControllerOnline"))) {
        setText(grid, row, stateKey, kOffline);
        setText(grid, row, col::RelayDetails, kOffline);
        return;
    }
    setText(grid, row, stateKey,
            fields::flag(rs, QStringLiteral("EnergizedStatus")) ? QStringLiteral("ON") : QStringLiteral("OFF"));
    setText(grid, row, col::RelayDetails, GetRelayModeText(qint32(fields::number(rs, QStringLiteral("OperationsStatus")))));
}

int newerLineIcon(qint32 iconKind, bool installed, bool online) {
    const bool first = iconKind == kZR2IconModule ? installed : !installed;
    return GetZR2Icon(iconKind, first, online, false);
}

}  // namespace so::rows
