// Cell rules that filling a group, re-reading a row and the full refresh share, so that a row
// reads the same whichever of them wrote it last.
#pragma once

#include "base/ComponentContext.h"
#include "domain/RowConditions.h"
#include "domain/UpdatedStamp.h"

#include <statusobject/Db.h>

#include <QString>

namespace so {

class StatusGrid;

namespace rows {

/// Text format flags of every Name cell: single line, ending cut off with an ellipsis at a word.
inline constexpr quint32 kNameFormat = 0x40020;
/// The text of a state the window cannot tell because the point's controller is off line.
inline const QString kOffline = QStringLiteral("-");

/// The lenient cell writes of a fill: a column the section's layout does not have is skipped, so
/// that an operator's layout without a column never stops a fill part-way (every point still gets
/// its row and every other cell). StatusGrid's own writers are the strict ones: a missing column is
/// a MissingColumnError, which ends the procedure's write silently (the decoding, a row refresh).
void setTextIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text);
void setDataIfColumn(StatusGrid& grid, int row, const QString& key, qint64 value);
void setCellIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text, quint32 format, int icon);
/// The LastUpdated cell and the row's time (StatusGrid::setUpdated), when the grid has the column.
void setUpdatedIfColumn(StatusGrid& grid, int row, const UpdatedStamp& stamp);
/// A state cell written as setTextIfColumn does, with the conditions its text shows there
/// (recorded only when the grid has the column).
void setStateIfColumn(StatusGrid& grid, int row, const QString& key, const QString& text, RowConditions shown);

/// Opens a statement whose one "?" is a point's address, bound as "@Address" (an address from the
/// host, another workstation or a grid cell never becomes part of a statement's text).
db::Recordset openForAddress(ComponentContext& ctx, const QString& sql, const QString& address);

/// Masked of a newer-line point from its mask-source bits (GetMaskSourceText); condition Masked
/// when any bit is set.
void writeMaskSource(StatusGrid& grid, int row, qint32 maskSource);
/// PTamper or CTamper of a newer-line reader: "Lockout" (with the column's tamper condition) or "OK".
void writeLockout(StatusGrid& grid, int row, const QString& key, bool lockedOut);

/// LM Type of a classic door: "-" for a panel of type 3 whose door input is its third or later
/// (no line module there), else the input's line module mode.
QString classicDoorLineModule(qint64 panelType, qint64 inputIndex, qint64 anlgMode);

/// Contact polarity kept in a newer-line door's or input's Status item data: 0 when the contact is
/// normally closed, -1 when it is not. Both the fill and the row refresh keep this form, so the
/// summaries read the same polarity whichever wrote the row last.
inline qint64 newerLinePolarity(bool normallyClosed) { return normallyClosed ? 0 : -1; }

/// "OK" or "Lockout" for a keypad tamper lockout flag.
inline QString lockoutText(bool lockedOut) { return lockedOut ? QStringLiteral("Lockout") : QStringLiteral("OK"); }

/// Input1 to Input3 of a newer-line door or input from its packed line states (one byte per line).
void writeLineStates(StatusGrid& grid, int row, qint32 packedLineStates);

/// Relay Status ("ON"/"OFF"; in a relay's own row: Status) and Relay Details (the relay's mode
/// text) of a newer-line relay from its record, or "-" in both when its controller is off line.
/// The record holds EnergizedStatus, OperationsStatus and ControllerOnline.
void writeNewerLineRelayState(StatusGrid& grid, int row, const db::Recordset& rs, const QString& stateKey);

/// The icon kind of a newer-line controller and module for GetZR2Icon.
inline constexpr qint32 kZR2IconController = 5;
inline constexpr qint32 kZR2IconModule = 8;

/// Name icon of a newer-line controller or module from its Installed and Online flags. The
/// controller rule reads its first flag as "not installed", the module rule as "installed".
int newerLineIcon(qint32 iconKind, bool installed, bool online);

}  // namespace rows
}  // namespace so
