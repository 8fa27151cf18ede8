// The status window's layout per operator profile, kept in `Profile_Details` under the status
// viewer's object number 10: the window's position and size and the column layout text of each
// of the eight sections.
//
// LoadPersistence fills ctx.layout when the component is shown; SavePersistence writes the window's
// geometry and ctx.layout.columnHeaderPos back when the window unloads. Position and size are
// loaded and saved but never applied: the host places the window (SetPosition does nothing).
#pragma once

#include "base/ComponentContext.h"

#include <QRectF>

namespace so {

/// The status viewer's object number in Profile_Details.
inline constexpr int kStatusViewerObjectId = 10;

/// Reads the layout settings of ctx.currentProfileID into ctx.layout. Rows are applied in the order
/// returned, a later row overriding an earlier one; a profile without rows leaves every setting as it
/// was. "Use Object Default" stands for a numeric setting's default. A value that is not a number,
/// or a geometry value no window has (infinite, beyond 1e7 twips, a negative size), keeps that
/// setting as it was and is reported; the rows after it are still read. Failures go to the host
/// under "Status: LoadPersistence".
void LoadPersistence(ComponentContext& ctx);

/// Stores the window's geometry (twips: left, top, width, height) and the eight column layout texts
/// of ctx.layout for ctx.currentProfileID; the layout texts only when LoadPersistence read the
/// profile (layouts never read are not written over the stored ones). Failures go to the host
/// under "Status: SavePersistence"; rows written before a failure stay written.
/// Returns false when the save failed: the layout is then kept in ctx.layout (ctx.layout.unsaved)
/// for the next Show and close.
bool SavePersistence(ComponentContext& ctx, const QRectF& windowTwips);

/// The geometry loaded by LoadPersistence, for a window that has no widget to measure.
QRectF loadedGeometryTwips(const LayoutSettings& layout);

/// Restoring the stored position is accepted and has no effect: the window keeps the size and place
/// its host gives it; only the column layouts take effect.
inline void SetPosition(ComponentContext&) {}

}  // namespace so
