#include "platform/automation.h"

namespace platform {

Object ToObject(Variant&& v) {
    if (Object* o = v.get<Object>()) {
        // Nothing: a reference that points nowhere.
        if (!*o) throw RuntimeError(err::kObjectNotSet);
        return std::move(*o);
    }
    throw RuntimeError(err::kObjectRequired);
}

}  // namespace platform
