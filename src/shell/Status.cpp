// Scaffolding until the component's members are wired (replaced by the Status implementation).
#include <statusobject/Status.h>

#include "shell/ComponentContext.h"

namespace so {
struct Status::Private {
    ComponentContext ctx;
};
Status::Status() : d(std::make_unique<Private>()) {}
Status::~Status() = default;
ComponentContext& Status::context() { return d->ctx; }
}  // namespace so
