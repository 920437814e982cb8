// The search window as stored: its frame and its fourteen controls, in twips.
// A control is one row: the window makes it from its type, binds it to the
// handlers named after it ("cmdSearch_Click") and lays it out from the row.
#pragma once

#include <array>
#include <string_view>

namespace search {

enum class ControlType { Label, ComboBox, TextBox, Button, ListView };

enum ControlId {
    kLabel4 = 1,
    kCboProductDatabase,
    kLabel1,
    kLabel3,
    kLabel2,
    kCboSearchField,
    kCboOperator,
    kTxtSearchFor,
    kCmdSearch,
    kLabel5,
    kLvwResults,
    kLblStatus,
    kCmdAddToQuote,
    kCmdClose
};

struct ControlLayout {
    ControlId id;
    std::wstring_view name;
    ControlType type;
    std::wstring_view text;
    int left, top, width, height;  // twips, from the client area's top-left corner
    int tabIndex;
    ControlId labelledBy = ControlId{};  // the label that names this input to screen readers
    std::wstring_view tooltip = {};
};

constexpr std::wstring_view kWindowCaption = L"Skuvane";
constexpr int kClientWidth = 8160, kClientHeight = 4815;  // twips

// Top to bottom, left to right.
constexpr auto kLayout = std::to_array<ControlLayout>({
    {kLabel4, L"Label4", ControlType::Label, L"Product Database to Search:", 120, 120, 2895, 255,
     6},
    {kCboProductDatabase, L"cboProductDatabase", ControlType::ComboBox, L"", 120, 360, 2895, 315, 0,
     kLabel4},
    {kLabel1, L"Label1", ControlType::Label, L"Field to Search:", 120, 840, 1815, 255, 9},
    {kLabel3, L"Label3", ControlType::Label, L"Operator:", 2400, 840, 1815, 255, 7},
    {kLabel2, L"Label2", ControlType::Label, L"Search For:", 4320, 840, 1815, 255, 8},
    {kCboSearchField, L"cboSearchField", ControlType::ComboBox, L"", 120, 1080, 2175, 315, 4,
     kLabel1},
    {kCboOperator, L"cboOperator", ControlType::ComboBox, L"", 2400, 1080, 1815, 315, 1, kLabel3},
    {kTxtSearchFor, L"txtSearchFor", ControlType::TextBox, L"", 4320, 1080, 1935, 315, 3, kLabel2},
    {kCmdSearch, L"cmdSearch", ControlType::Button, L"&Search", 6480, 1080, 1455, 315, 2},
    {kLabel5, L"Label5", ControlType::Label, L"Results:", 120, 1680, 2895, 255, 5},
    {kLvwResults, L"lvwResults", ControlType::ListView, L"", 120, 1920, 7935, 2175, 11, kLabel5,
     L"Results of your search."},
    {kLblStatus, L"lblStatus", ControlType::Label, L"", 120, 4320, 2535, 255, 10},
    {kCmdAddToQuote, L"cmdAddToQuote", ControlType::Button, L"&Add selected product(s) to quote",
     3480, 4320, 2895, 315, 13},
    {kCmdClose, L"cmdClose", ControlType::Button, L"&Close", 6600, 4320, 1455, 315, 12},
});

}  // namespace search
