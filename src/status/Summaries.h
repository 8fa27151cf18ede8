// The summary texts of a door row and an input row (their `Status` cell), computed from the row's
// detail cells as they stand, so the summary is the same whichever way the details arrived.
#pragma once

#include "base/ComponentContext.h"
#include "domain/Resources.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"

#include <QString>

namespace so {

/// Door summary: position from `Input1` and the contact polarity (`Status` item data), relay
/// normal from `Relay Status` and the relay polarity (`2PR` item data), masked from `Masked`
/// when the door has a line module (`LM Type`): any text but the not-known one and the newer
/// line's "-" (no mask source) is a mask. Items joined by ", ". A failure (a missing column,
/// a row outside the grid) is logged under "MPublic.GetDoorStatus" and gives empty text. `shown`,
/// when given, receives the conditions the text speaks for (DoorNotClosed, RelayNotNormal).
QString GetDoorStatus(ComponentContext& ctx, const StatusGrid& grid, int row, RowConditions* shown = nullptr);
/// The same for a row found before (its handle), with the grid's columns resolved and the texts
/// kept by the caller (for callers that summarise many rows or on every state change).
QString GetDoorStatus(ComponentContext& ctx, const StatusGrid& grid, StatusGrid::RowAt row, const GridColumns& columns,
                      ResourceTexts& texts, RowConditions* shown = nullptr);

/// Input summary: "OPEN," for an active line, a newer-line state text, the mask text; joined by
/// ",". A failure is logged under "MPublic.GetInputStatus" and gives empty text. `shown`, when
/// given, receives InputOpen for an active line.
QString GetInputStatus(ComponentContext& ctx, const StatusGrid& grid, int row, RowConditions* shown = nullptr);
QString GetInputStatus(ComponentContext& ctx, const StatusGrid& grid, StatusGrid::RowAt row, const GridColumns& columns,
                       ResourceTexts& texts, RowConditions* shown = nullptr);

}  // namespace so
