#include "platform/column_layout.h"

#include <algorithm>
#include <numeric>

namespace platform {

namespace {

// The three stored values, each an array of 16-bit little-endian numbers:
// every catalogue position once, in the user's order; each position's width
// in twips; the hidden positions, none of them the first.
constexpr wchar_t kOrderName[] = L"ColumnOrder";
constexpr wchar_t kWidthsName[] = L"ColumnWidths";
constexpr wchar_t kHiddenName[] = L"HiddenColumns";

std::vector<std::byte> ToWords(const std::vector<int>& numbers) {
    std::vector<std::byte> bytes;
    for (int n : numbers) {
        bytes.push_back(static_cast<std::byte>(n & 0xFF));
        bytes.push_back(static_cast<std::byte>((n >> 8) & 0xFF));
    }
    return bytes;
}

// The value's numbers, each at most `most`; nothing when it is missing, of
// odd length or holds a larger number.
std::optional<std::vector<int>> FromWords(const Settings& settings, const wchar_t* name, int most) {
    const auto bytes = settings.Read(name);
    if (!bytes || bytes->size() % 2) return std::nullopt;
    std::vector<int> numbers;
    for (size_t i = 0; i < bytes->size(); i += 2) {
        const int n = std::to_integer<int>((*bytes)[i]) | std::to_integer<int>((*bytes)[i + 1])
                                                              << 8;
        if (n > most) return std::nullopt;
        numbers.push_back(n);
    }
    return numbers;
}

bool Distinct(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    return std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end();
}

}  // namespace

ColumnLayout::ColumnLayout(std::vector<int> widthsTwips)
    : order_(widthsTwips.size()), hidden_(widthsTwips.size()), widths_(std::move(widthsTwips)) {
    std::iota(order_.begin(), order_.end(), 0);
    for (int& w : widths_) w = std::clamp(w, 0, kMaxColumnTwips);
}

std::vector<int> ColumnLayout::Shown() const {
    std::vector<int> shown;
    for (int column : order_)
        if (!Hidden(column)) shown.push_back(column);
    return shown;
}

bool ColumnLayout::SetHidden(int column, bool hidden) {
    if (column <= 0 || column >= Count()) return false;
    hidden_[static_cast<size_t>(column)] = hidden;
    return true;
}

void ColumnLayout::SetWidth(int column, int twips) {
    widths_.at(static_cast<size_t>(column)) = std::clamp(twips, 0, kMaxColumnTwips);
}

void ColumnLayout::Move(int from, int to) {
    if (from < 0 || to < 0 || from >= Count() || to >= Count()) return;
    const auto at = order_.begin();
    if (from < to) {
        std::rotate(at + from, at + from + 1, at + to + 1);
    } else {
        std::rotate(at + to, at + from, at + from + 1);
    }
}

bool ColumnLayout::SetShownOrder(std::span<const int> shown) {
    std::vector<int> now = Shown(), asked(shown.begin(), shown.end());
    std::sort(now.begin(), now.end());
    std::sort(asked.begin(), asked.end());
    if (now != asked) return false;
    auto next = shown.begin();
    for (int& column : order_)
        if (!Hidden(column)) column = *next++;
    return true;
}

void ColumnLayout::HideEmpty(const ListItems& items) {
    for (int column = 1; column < Count(); ++column) {
        bool empty = true;
        for (int32_t pos = 1; empty && pos <= items.Count(); ++pos)
            empty = items.Cell(pos, column).empty();
        if (empty) SetHidden(column, true);
    }
}

void ColumnLayout::Write(Settings& settings) const {
    std::vector<int> hidden;
    for (int column = 0; column < Count(); ++column)
        if (Hidden(column)) hidden.push_back(column);
    settings.Write(kOrderName, ToWords(order_));
    settings.Write(kWidthsName, ToWords(widths_));
    settings.Write(kHiddenName, ToWords(hidden));
}

std::optional<ColumnLayout> ColumnLayout::Read(const Settings& settings, int count) {
    const auto order = FromWords(settings, kOrderName, count - 1);
    const auto widths = FromWords(settings, kWidthsName, kMaxColumnTwips);
    const auto hidden = FromWords(settings, kHiddenName, count - 1);
    const auto size = static_cast<size_t>(count);
    if (count <= 0 || !order || !widths || !hidden || order->size() != size ||
        widths->size() != size || !Distinct(*order) || !Distinct(*hidden) ||
        std::count(hidden->begin(), hidden->end(), 0) > 0) {
        return std::nullopt;
    }
    ColumnLayout layout(*widths);
    layout.order_ = *order;
    for (int column : *hidden) layout.SetHidden(column, true);
    return layout;
}

void ColumnLayout::Forget(Settings& settings) {
    for (const wchar_t* name : {kOrderName, kWidthsName, kHiddenName}) settings.Remove(name);
}

}  // namespace platform
