#include <statusobject/Version.h>

namespace so {

const char* libraryVersion() { return STATUSOBJECT_VERSION_STRING; }

}  // namespace so
