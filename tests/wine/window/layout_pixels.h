// Where each control must sit, in pixels, written out by hand at 96 DPI
// apart from the program's table in twips: left, top, width and height. At
// another DPI each figure scales on its own to the nearest pixel, halves up.
#pragma once

#include <windows.h>

#include "search/layout.h"

struct PixelsAt96 {
    search::ControlId id;
    int left, top, width, height;
};
constexpr PixelsAt96 kAt96[] = {
    {search::kLabel4, 8, 8, 193, 17},
    {search::kCboProductDatabase, 8, 24, 193, 21},
    {search::kLabel1, 8, 56, 121, 17},
    {search::kLabel3, 160, 56, 121, 17},
    {search::kLabel2, 288, 56, 121, 17},
    {search::kCboSearchField, 8, 72, 145, 21},
    {search::kCboOperator, 160, 72, 121, 21},
    {search::kTxtSearchFor, 288, 72, 129, 21},
    {search::kCmdSearch, 432, 72, 97, 21},
    {search::kLabel5, 8, 112, 193, 17},
    {search::kLvwResults, 8, 128, 529, 145},
    {search::kLblStatus, 8, 288, 169, 17},
    {search::kCmdAddToQuote, 232, 288, 193, 21},
    {search::kCmdClose, 440, 288, 97, 21},
};

inline RECT Pixels(const search::ControlLayout& c, int dpi) {
    auto px = [dpi](int at96) { return (at96 * dpi * 2 + 96) / (96 * 2); };
    for (const PixelsAt96& p : kAt96) {
        if (p.id == c.id)
            return {px(p.left), px(p.top), px(p.left) + px(p.width), px(p.top) + px(p.height)};
    }
    return {};
}
