// The point a context-menu command acts on: the row of the status window's current cell.
//
// Every command reads it afresh from the window (pane and row of the last cell click), so a
// command never works on a row remembered from an earlier popup.
#pragma once

#include "domain/Section.h"

#include <QString>

namespace so {

class StatusGrid;
class StatusWindow;

class ClickedPoint {
public:
    explicit ClickedPoint(StatusWindow& window);

    /// The pane (section) of the current cell.
    Section pane() const { return pane_; }
    int row() const { return row_; }
    StatusGrid& grid() const { return grid_; }

    /// The text of the row's "Address" cell.
    const QString& address() const;
    /// The text of the row's "Name" cell.
    const QString& name() const;
    /// The device's database id: the item data of the row's "Address" cell (ComponentError
    /// overflow when it does not fit 32 bits).
    qint32 deviceNumber() const;

private:
    Section pane_;
    int row_;
    StatusGrid& grid_;
};

}  // namespace so
