// How abnormal a row is. The rules that decide it read the row's cells (window/Severity.h); the row
// filter and the section counts here only use the result.
#pragma once

namespace so {

enum class Severity { Normal = 0, Warning = 1, Alarm = 2 };

}  // namespace so
