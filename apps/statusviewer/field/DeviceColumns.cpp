#include "field/DeviceColumns.h"

#include <array>

namespace sv {
namespace {

struct ColumnRow {
    const char* table;
    const char* column;
    const char* id;
};

// In DeviceColumn's order.
constexpr ColumnRow kColumns[kDeviceColumnCount] = {
    {"ZRII_Inputs", "ContactStatus", "InputID"},
    {"ZRII_Inputs", "MaskSource", "InputID"},
    {"ZRII_Relays", "EnergizedStatus", "RelayID"},
    {"ZRII_Relays", "OperationsStatus", "RelayID"},
    {"ZRII_Modules", "Online", "ID"},
    {"ZRII_Modules", "InTamper", "ID"},
    {"ZRII_Keypads", "CodeTamperLockout", "ID"},
    {"ZRII_Controllers", "Online", "ID"},
};

const ColumnRow& row(DeviceColumn column) { return kColumns[int(column)]; }

}  // namespace

const QString& deviceColumnUpdate(DeviceColumn column) {
    static const std::array<QString, kDeviceColumnCount> statements = [] {
        std::array<QString, kDeviceColumnCount> all;
        for (int c = 0; c < kDeviceColumnCount; ++c)
            all[c] = QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
                         .arg(QLatin1String(kColumns[c].table), QLatin1String(kColumns[c].column),
                              QLatin1String(kColumns[c].id));
        return all;
    }();
    return statements[int(column)];
}

QString deviceColumnSelect(DeviceColumn column) {
    const ColumnRow& r = row(column);
    return QStringLiteral("SELECT %1, %2 FROM %3")
        .arg(QLatin1String(r.id), QLatin1String(r.column), QLatin1String(r.table));
}

}  // namespace sv
