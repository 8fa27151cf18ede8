#include "status/RowCells.h"

#include "domain/StateTexts.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "grid/StatusGrid.h"

namespace so::rows {

void setTextIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text) {
    const int column = grid.columnIndex(key);
    if (column >= 0)
        grid.setText(row, column, text);
}

void setDataIfColumn(StatusGrid& grid, int row, const QString& key, qint64 value) {
    if (grid.columnIndex(key) >= 0)
        grid.setData(row, key, value);
}

void setCellIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text, quint32 format, int icon) {
    if (grid.columnIndex(key) >= 0)
        grid.setCell(row, key, text, format, icon);
}

void setUpdatedIfColumn(StatusGrid& grid, int row, const UpdatedStamp& stamp) {
    if (grid.columnIndex(col::LastUpdated) >= 0)
        grid.setUpdated(row, stamp);
}

void setStateIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text, RowConditions shown) {
    const int column = grid.columnIndex(key);
    if (column < 0)
        return;
    grid.setText(row, column, text);
    grid.addConditions(row, shown);
}

db::Recordset openForAddress(ComponentContext& ctx, const QString& sql, const QString& address) {
    db::Command command(ctx.db(), sql);
    command.appendParameter(QStringLiteral("@Address"), db::ParamType::NVarChar, db::ParamDirection::Input,
                            int(address.size()), address);
    return command.open();
}

void writeMaskSource(StatusGrid& grid, int row, qint32 maskSource) {
    setStateIfColumn(grid, row, col::Masked, GetMaskSourceText(maskSource),
                     maskSource != 0 ? Condition::Masked : RowConditions());
}

void writeLockout(StatusGrid& grid, int row, const QString& key, bool lockedOut) {
    const Condition tamper = key == col::PTamper ? Condition::PhysicalTamper : Condition::CodeTamper;
    setStateIfColumn(grid, row, key, lockoutText(lockedOut), lockedOut ? tamper : RowConditions());
}

QString classicDoorLineModule(qint64 panelType, qint64 inputIndex, qint64 anlgMode) {
    if (panelType == 3 && inputIndex >= 3)
        return QStringLiteral("-");
    return QString::number(anlgMode);
}

void writeLineStates(StatusGrid& grid, int row, qint32 packedLineStates) {
    setTextIfColumn(grid, row, col::Input1, GetLineStateText(packedLineStates, 0));
    setTextIfColumn(grid, row, col::Input2, GetLineStateText(packedLineStates, 1));
    setTextIfColumn(grid, row, col::Input3, GetLineStateText(packedLineStates, 2));
}

void writeNewerLineRelayState(StatusGrid& grid, int row, const db::Recordset& rs, const QString& stateKey) {
    if (!fields::flag(rs, QStringLiteral("ControllerOnline"))) {
        // In a relay's own row the state is its Status: the relay reads as off line.
        setStateIfColumn(grid, row, stateKey, kOffline, stateKey == col::Status ? Condition::Offline : RowConditions());
        setTextIfColumn(grid, row, col::RelayDetails, kOffline);
        return;
    }
    setTextIfColumn(grid, row, stateKey,
                    fields::flag(rs, QStringLiteral("EnergizedStatus")) ? QStringLiteral("ON") : QStringLiteral("OFF"));
    const qint32 mode = qint32(fields::number(rs, QStringLiteral("OperationsStatus")));
    setStateIfColumn(grid, row, col::RelayDetails, GetRelayModeText(mode),
                     relayModeOverridden(mode) ? Condition::RelayForced : RowConditions());
}

int newerLineIcon(qint32 iconKind, bool installed, bool online) {
    const bool first = iconKind == kZR2IconModule ? installed : !installed;
    return GetZR2Icon(iconKind, first, online, false);
}

}  // namespace so::rows
