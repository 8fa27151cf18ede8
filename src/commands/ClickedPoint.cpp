#include "commands/ClickedPoint.h"
#include "status/StatusBoard.h"

#include "base/Errors.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <limits>

namespace so {

ClickedPoint::ClickedPoint(StatusWindow& window)
    : pane_(window.currentSection()), row_(window.currentRow()), grid_(window.board().sections().grid(pane_)) {}

const QString& ClickedPoint::address() const { return grid_.text(row_, col::Address); }

const QString& ClickedPoint::name() const { return grid_.text(row_, col::Name); }

qint32 ClickedPoint::deviceNumber() const {
    const qint64 data = grid_.data(row_, col::Address);
    if (data < std::numeric_limits<qint32>::min() || data > std::numeric_limits<qint32>::max())
        throw ComponentError(ComponentError::Overflow, QStringLiteral("Device number %1 out of range").arg(data));
    return qint32(data);
}

}  // namespace so
