// The catalogue of points that can be added to a status group: the configuration dialog's
// "available" list.
//
// For a kind filter (the dialog's "Filter Available by:" option) it reads the site's points of the
// selected kinds and adds one entry per point that the "selected" list does not already hold,
// carrying exactly the values a saved group stores per point (SelectedPoint). Classic kinds come
// from the site's KSP_Fetch_Status_* procedures (called with the workstation's computer name),
// newer-line kinds from their ZRII_ tables. Expansion relays are offered only when their relay
// board is fitted, expansion inputs only up to the controller's number of fitted inputs.
#pragma once

#include "groups/GroupStore.h"
#include "base/ComponentContext.h"

#include <QHash>
#include <QVector>

namespace so {

/// The kind filters: the index of the dialog's filter option.
enum KindFilter : int {
    FilterAll = 0,
    FilterDoors = 1,
    FilterInputs = 2,
    FilterRelays = 3,
    FilterReaders = 4,
    FilterControllers = 5,
    FilterPylons = 6,
    FilterPorts = 7,
    FilterModules = 8,
    FilterXRelays = 9,
};

/// The name of a point kind for the operator ("Door", "Expansion Relay", "ZRII Door" ...), by its
/// ObjectID; the number itself for a kind the catalogue does not know.
QString kindName(qint32 objectId);

/// The address of the controller a point belongs to: a controller's own address, the controller
/// part of a classic or newer-line point's address; empty for ports and communication boxes, which
/// belong to no controller.
QString controllerOf(const SelectedPoint& point);

/// The names of the site's controllers (classic and newer line) by address.
QHash<QString, QString> controllerNames(ComponentContext& ctx);

/// Adds the points of the kinds `filter` selects (0 or less: every kind) to `available`, except
/// those whose address `selected` or `available` already holds. Each new entry goes to the front
/// of `available`, so the list shows the last fetched point first. The list is not cleared first.
/// A failure ("FCustom: FillAvailable") ends the filling; the entries read before it are kept.
void FillAvailable(ComponentContext& ctx, int filter, QVector<SelectedPoint>& available,
                   const QVector<SelectedPoint>& selected);

}  // namespace so
