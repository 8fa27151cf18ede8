#include "host/Counted.h"

namespace sv {

QString counted(qint64 n, const char* singular, const char* plural) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? singular : plural));
}

}  // namespace sv
