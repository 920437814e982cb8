#include "platform/list_items.h"

#include "platform/error.h"

namespace platform {

namespace {
constexpr size_t kKey = 0, kText = 1, kTag = 2, kFirstSubItem = 3;
}

void ListItems::Clear() {
    rows_.clear();
    current_ = 0;
}

void ListItems::Add(std::wstring_view key, std::wstring_view text, std::wstring_view tag,
                    const std::shared_ptr<const KeySet>& keys,
                    std::span<const std::wstring_view> subTexts) {
    Row row;
    size_t total = key.size() + text.size() + tag.size();
    for (auto s : subTexts) total += s.size();
    row.texts.reserve(total);
    row.ends.reserve(kFirstSubItem + subTexts.size());
    auto append = [&row](std::wstring_view s) {
        row.texts.append(s);
        row.ends.push_back(static_cast<uint32_t>(row.texts.size()));
    };
    append(key);
    append(text);
    append(tag);
    for (auto s : subTexts) append(s);
    row.keys = keys;
    rows_.push_back(std::move(row));
}

const ListItems::Row& ListItems::At(int32_t pos) const {
    if (pos < 1 || pos > Count())
        throw RuntimeError(err::kIndexOutOfBounds, L"Index out of bounds");
    return rows_[static_cast<size_t>(pos - 1)];
}

std::wstring_view ListItems::Piece(int32_t pos, size_t piece) const {
    const Row& r = At(pos);
    if (piece >= r.ends.size()) return {};
    size_t begin = piece == 0 ? 0 : r.ends[piece - 1];
    return std::wstring_view(r.texts).substr(begin, r.ends[piece] - begin);
}

std::wstring_view ListItems::Key(int32_t pos) const { return Piece(pos, kKey); }
std::wstring_view ListItems::Text(int32_t pos) const { return Piece(pos, kText); }
std::wstring_view ListItems::Tag(int32_t pos) const { return Piece(pos, kTag); }

int ListItems::SubItemCount(int32_t pos) const {
    return static_cast<int>(At(pos).ends.size() - kFirstSubItem);
}

std::wstring_view ListItems::SubItem(int32_t pos, int sub) const {
    if (sub < 1) return {};
    return Piece(pos, kFirstSubItem + static_cast<size_t>(sub) - 1);
}

std::wstring_view ListItems::SubItemKey(int32_t pos, int sub) const {
    const Row& r = At(pos);
    if (!r.keys || sub < 1 || static_cast<size_t>(sub) > r.keys->size()) return {};
    return (*r.keys)[static_cast<size_t>(sub) - 1];
}

bool ListItems::Selected(int32_t pos) const { return At(pos).selected; }

void ListItems::SetSelected(int32_t pos, bool selected) {
    At(pos);
    rows_[static_cast<size_t>(pos - 1)].selected = selected;
}

void ListItems::SetAllSelected(bool selected) {
    for (Row& r : rows_) r.selected = selected;
}

}  // namespace platform
