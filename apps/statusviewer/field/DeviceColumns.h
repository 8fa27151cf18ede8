// The columns of the newer line's device tables that the simulated field writes back: one table
// of them, from which the write-back's statements, the history's seed reads and the rebuild of a
// past board are all made, so the three never disagree on a table or a column.
#pragma once

#include <QString>

namespace sv {

enum class DeviceColumn : quint8 {
    InputContact,
    InputMask,
    RelayEnergized,
    RelayOperations,
    ModuleOnline,
    ModuleTamper,
    KeypadCodeTamper,
    ControllerOnline
};
constexpr int kDeviceColumnCount = 8;

/// "UPDATE <table> SET <column> = ? WHERE <id> = ?", bound as (value, id).
const QString& deviceColumnUpdate(DeviceColumn column);
/// "SELECT <id>, <column> FROM <table>": every row's id and value.
QString deviceColumnSelect(DeviceColumn column);

}  // namespace sv
