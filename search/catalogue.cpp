#include "search/catalogue.h"

#include <memory>

#include "host/vantora.h"

namespace search {

namespace {

// A slip in the table (a read number used twice or skipped, a field without
// read number) stops the build rather than garbling every row.
constexpr bool ReadNumbersArePlaces() {
    std::array<int, kReadCount + 1> uses{};
    int fields = 0;
    for (const CatalogueEntry& e : kCatalogue) {
        if ((e.field == nullptr) != (e.read == 0)) return false;
        if (e.read < 0 || e.read > kReadCount) return false;
        if (e.field) {
            ++fields;
            ++uses[static_cast<size_t>(e.read)];
        }
    }
    for (int r = 1; r <= kReadCount; ++r)
        if (uses[static_cast<size_t>(r)] != 1) return false;
    return fields == kReadCount;
}
static_assert(ReadNumbersArePlaces());

constexpr size_t ReadIndexOf(std::wstring_view field) {
    for (const CatalogueEntry& e : kCatalogue)
        if (e.field && field == e.field) return static_cast<size_t>(e.read - 1);
    return kReadCount;
}
constexpr size_t kDescription = ReadIndexOf(L"Description");
constexpr size_t kPartNumber = ReadIndexOf(L"ManufacturerPartNumber");
static_assert(kDescription < kReadCount && kPartNumber < kReadCount);

// For each sub-item 1 to 101, the index of its value in read order, or
// kReadCount (an always empty text) when the column has no host field.
constexpr std::array<uint8_t, kSubItemCount> kSubItemValue = [] {
    std::array<uint8_t, kSubItemCount> at{};
    for (size_t pos = 1; pos < kCatalogue.size(); ++pos) {
        int r = kCatalogue[pos].read;
        at[pos - 1] = static_cast<uint8_t>(r > 0 ? r - 1 : kReadCount);
    }
    return at;
}();

// Every row shares one key set.
const std::shared_ptr<const platform::ListItems::KeySet>& SubItemKeys() {
    static const auto keys = [] {
        auto set = std::make_shared<platform::ListItems::KeySet>();
        set->reserve(kSubItemCount);
        for (size_t pos = 1; pos < kCatalogue.size(); ++pos)
            set->emplace_back(kCatalogue[pos].header);
        return std::shared_ptr<const platform::ListItems::KeySet>(std::move(set));
    }();
    return keys;
}

}  // namespace

void BuildColumns(platform::ListView& list) {
    list.ClearColumns();
    for (const CatalogueEntry& e : kCatalogue) list.AddColumn(std::wstring(e.header), kColumnWidth);
}

ProductReader::ProductReader(platform::Automation& com, platform::Ui& ui)
    : com_(com), respond_([&ui] { ui.Respond(); }) {
    for (size_t r = 0; r < kReadOrder.size(); ++r)
        names_[r] = com.MakeText(kCatalogue[kReadOrder[r]].field);
}

const ProductValues& ProductReader::Read(platform::Dispatch& app) {
    platform::Object itemFunctions = host::ItemFunctions(app);
    host::SLIBufferGetValues(com_, *itemFunctions, names_, slots_, texts_, respond_);
    return texts_;
}

void AddRow(platform::ListItems& items, const ProductValues& values) {
    // "<count>key": at most six digits and a sign for a 16-bit count.
    wchar_t key[16];
    wchar_t* end = key + sizeof key / sizeof key[0];
    wchar_t* p = end;
    *--p = L'y', *--p = L'e', *--p = L'k';
    const int16_t count = static_cast<int16_t>(items.Total());
    int n = count < 0 ? -count : count;
    do *--p = static_cast<wchar_t>(L'0' + n % 10);
    while ((n /= 10) != 0);
    if (count < 0) *--p = L'-';

    std::array<std::wstring_view, kSubItemCount> cells;
    for (size_t i = 0; i < cells.size(); ++i)
        if (kSubItemValue[i] < kReadCount) cells[i] = values[kSubItemValue[i]];
    items.Add(std::wstring_view(p, static_cast<size_t>(end - p)), values[kDescription],
              values[kPartNumber], SubItemKeys(), cells);
}

}  // namespace search
