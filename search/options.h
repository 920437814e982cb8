// The choices the search window offers, and the texts it shows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace search {

// Host field names and operator words, passed to the host as they are.
constexpr std::array<std::wstring_view, 2> kSearchFields = {
    L"ManufacturerPartNumber",
    L"VendorPartNumber",
};
constexpr std::array<std::wstring_view, 9> kOperators = {
    L"Equal to",      L"Not Equal to", L"Greater than", L"Less than",        L"Greater or Equal",
    L"Less or Equal", L"Begins with",  L"Contains",     L"Does not Contain",
};
// The pseudo-entry that searches every database in turn.
constexpr std::wstring_view kAllDatabases = L"<All Product Databases>";

// Counts and positions the host's 16-bit indexes can address, and the rows
// the list can key with its 16-bit count.
constexpr int32_t kMaxDatabases = 32767;
constexpr int32_t kMaxRows = 32767;

namespace text {
constexpr std::wstring_view kReady = L"Ready";
constexpr std::wstring_view kSearching = L"Searching...";
constexpr std::wstring_view kFinished = L"Finished search";
constexpr std::wstring_view kStopped = L"Search stopped";
constexpr std::wstring_view kNotRunning =
    L"Vantora is not running. Vantora must be running in order to use this API";
constexpr std::wstring_view kNotRunningTitle = L"Vantora API";
constexpr std::wstring_view kRowsCapped =
    L"Only the first 32,767 products found are listed. Narrow the search to see the others.";
constexpr std::wstring_view kAddTitle = L"Add product to current quote";
constexpr std::wstring_view kNoDocument = L"There are no documents currently open in Vantora.";
constexpr std::wstring_view kSelectItem = L"Please select an item to view its details.";
constexpr std::wstring_view kAdded = L"Product(s) added to current quote";
constexpr std::wstring_view kNotAdded = L"Product(s) could NOT be added to current quote";
}  // namespace text

}  // namespace search
