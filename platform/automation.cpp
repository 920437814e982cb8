#include "platform/automation.h"

#include <array>

namespace platform {

void Dispatch::CallEach(const wchar_t* member, CallKind kind, CallRun& run) {
    for (size_t i = 0; i < run.size(); ++i) {
        std::array<Arg, 1> args{Arg::Val(run.Argument(i))};
        Call(member, kind, args, run.Answer(i));
        run.Answered(i, false);
    }
}

Object ToObject(Variant&& v) {
    if (Object* o = v.get<Object>()) {
        // Nothing: a reference that points nowhere.
        if (!*o) throw RuntimeError(err::kObjectNotSet);
        return std::move(*o);
    }
    throw RuntimeError(err::kObjectRequired);
}

}  // namespace platform
