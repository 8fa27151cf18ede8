// The mark of what the StatusObject library exports. The library is built with hidden symbols;
// only the classes and functions marked STATUSOBJECT_EXPORT, the public API, are visible to a host.
#pragma once

#define STATUSOBJECT_EXPORT __attribute__((visibility("default")))
