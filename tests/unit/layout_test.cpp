#include "search/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using search::kLayout;
using search::TwipsToPixels;

// The window as it must look at 96 DPI, in pixels, written out on its own:
// left, top, width, height, in the layout table's order.
struct Pixels {
    const wchar_t* name;
    int left, top, width, height;
};
constexpr std::array<Pixels, 14> kAt96 = {{
    {L"Label4", 8, 8, 193, 17},
    {L"cboProductDatabase", 8, 24, 193, 21},
    {L"Label1", 8, 56, 121, 17},
    {L"Label3", 160, 56, 121, 17},
    {L"Label2", 288, 56, 121, 17},
    {L"cboSearchField", 8, 72, 145, 21},
    {L"cboOperator", 160, 72, 121, 21},
    {L"txtSearchFor", 288, 72, 129, 21},
    {L"cmdSearch", 432, 72, 97, 21},
    {L"Label5", 8, 112, 193, 17},
    {L"lvwResults", 8, 128, 529, 145},
    {L"lblStatus", 8, 288, 169, 17},
    {L"cmdAddToQuote", 232, 288, 193, 21},
    {L"cmdClose", 440, 288, 97, 21},
}};

// The same table at 144 DPI is half as large again, rounded to the nearest
// pixel, halves up.
TEST(LayoutInPixels, EveryControlIsOnThePixelTableAt96And144Dpi) {
    for (const int dpi : {96, 144}) {
        auto scaled = [dpi](int pixelsAt96) {
            return dpi == 96 ? pixelsAt96 : (pixelsAt96 * 3 + 1) / 2;
        };
        SCOPED_TRACE(dpi);
        EXPECT_EQ(TwipsToPixels(search::kClientWidth, dpi), scaled(544));
        EXPECT_EQ(TwipsToPixels(search::kClientHeight, dpi), scaled(321));
        for (size_t i = 0; i < kLayout.size(); ++i) {
            const auto& c = kLayout[i];
            const Pixels& want = kAt96[i];
            SCOPED_TRACE(std::wstring(want.name));
            EXPECT_EQ(std::wstring(c.name), want.name);
            EXPECT_EQ(TwipsToPixels(c.left, dpi), scaled(want.left));
            EXPECT_EQ(TwipsToPixels(c.top, dpi), scaled(want.top));
            EXPECT_EQ(TwipsToPixels(c.width, dpi), scaled(want.width));
            EXPECT_EQ(TwipsToPixels(c.height, dpi), scaled(want.height));
        }
    }
}

// Tab indices 0 to 13 are each used once, and the focus order they give is
// not the visual one: operator and Search come before the value box.
TEST(LayoutInPixels, TabIndicesGiveTheStoredFocusOrder) {
    std::array<std::wstring, 14> byIndex;
    for (const auto& c : kLayout) {
        ASSERT_GE(c.tabIndex, 0);
        ASSERT_LT(c.tabIndex, 14);
        EXPECT_TRUE(byIndex[static_cast<size_t>(c.tabIndex)].empty()) << c.tabIndex;
        byIndex[static_cast<size_t>(c.tabIndex)] = std::wstring(c.name);
    }
    const std::array<std::wstring, 14> want = {L"cboProductDatabase",
                                               L"cboOperator",
                                               L"cmdSearch",
                                               L"txtSearchFor",
                                               L"cboSearchField",
                                               L"Label5",
                                               L"Label4",
                                               L"Label3",
                                               L"Label2",
                                               L"Label1",
                                               L"lblStatus",
                                               L"lvwResults",
                                               L"cmdClose",
                                               L"cmdAddToQuote"};
    EXPECT_EQ(byIndex, want);
}

}  // namespace
