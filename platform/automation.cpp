#include "platform/automation.h"

namespace platform {

Object ToObject(Variant&& v) {
    if (Object* o = v.get<Object>()) return std::move(*o);
    throw RuntimeError(err::kObjectRequired, L"Object required");
}

}  // namespace platform
