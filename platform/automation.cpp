#include "platform/automation.h"

namespace platform {

Object ToObject(Variant&& v) {
    if (Object* o = v.get<Object>()) {
        // Nothing: a reference that points nowhere.
        if (!*o)
            throw RuntimeError(err::kObjectNotSet,
                               L"Object variable or With block variable not set");
        return std::move(*o);
    }
    throw RuntimeError(err::kObjectRequired, L"Object required");
}

}  // namespace platform
