// The crossings between VARIANT and platform::Variant.
#pragma once

#include "platform/variant.h"
#include "platform/win32/com_win.h"

namespace win32 {

// Fills an empty VARIANT with an owned copy of `in` (a BSTR is allocated, an
// object gains a reference). Raises 13 for an object of another platform.
void ToComVariant(const platform::Variant& in, VARIANT& out);
// A platform value for a VARIANT, by reference or not; objects gain a
// reference of their own. Raises for types the platform has no value for.
platform::Variant FromComVariant(const VARIANT& in);
// The same into `out`; text reuses the storage of text that `out` held.
void FromComVariant(const VARIANT& in, platform::Variant& out);

}  // namespace win32
