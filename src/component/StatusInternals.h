// What the component's own tests, benchmarks and fuzz targets reach inside a Status: the window's
// state object, the settings, group storage and the stored-report replay. Not installed; a host
// uses the public members of Status only.
#pragma once

#include <statusobject/Status.h>

namespace so {

struct ComponentContext;
class ContextMenus;
class GroupStore;
class StatusWindow;
class SuperStatusReplay;

/// The window's state object (sections, grids, group box, timers); exists without widgets.
StatusWindow& windowOf(Status& status);
const StatusWindow& windowOf(const Status& status);
/// The component-wide settings of the instance.
ComponentContext& contextOf(Status& status);
/// Status group storage; the window's group box follows deletions made through it.
GroupStore& groupStoreOf(Status& status);
/// The rows' context menus (the model and the dispatch of a chosen entry).
ContextMenus& menusOf(Status& status);
/// Replays stored controller reports into the window (a row's refresh command).
SuperStatusReplay& superStatusOf(Status& status);

}  // namespace so
