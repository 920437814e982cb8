// Where a control of the layout table must sit, in pixels at a DPI.
#pragma once

#include <windows.h>

#include "search/layout.h"

inline RECT Pixels(const search::ControlLayout& c, int dpi) {
    auto px = [dpi](int twips) { return search::TwipsToPixels(twips, dpi); };
    return {px(c.left), px(c.top), px(c.left) + px(c.width), px(c.top) + px(c.height)};
}
