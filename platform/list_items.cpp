#include "platform/list_items.h"

#include <algorithm>

#include "platform/error.h"

namespace platform {

namespace {
constexpr size_t kKey = 0, kText = 1, kTag = 2, kFirstSubItem = 3;
constexpr size_t kBlockBytes = size_t{1024} * 1024;
}  // namespace

void* ListItems::Pool::Take(size_t bytes) {
    bytes = (bytes + alignof(uint32_t) - 1) / alignof(uint32_t) * alignof(uint32_t);
    while (block_ < blocks_.size() && used_ + bytes > blocks_[block_].size) {
        ++block_;
        used_ = 0;
    }
    if (block_ == blocks_.size()) {
        const size_t size = std::max(bytes, kBlockBytes);
        blocks_.push_back({std::make_unique_for_overwrite<std::byte[]>(size), size});
    }
    void* room = blocks_[block_].bytes.get() + used_;
    used_ += bytes;
    return room;
}

void ListItems::Clear() {
    rows_.clear();
    keySets_.clear();
    pool_.Reset();
    current_ = 0;
}

void ListItems::Add(std::wstring_view key, std::wstring_view text, std::wstring_view tag,
                    const std::shared_ptr<const KeySet>& keys,
                    std::span<const std::wstring_view> subTexts) {
    const size_t pieces = kFirstSubItem + subTexts.size();
    size_t total = key.size() + text.size() + tag.size();
    for (auto s : subTexts) total += s.size();
    auto* ends =
        static_cast<uint32_t*>(pool_.Take(pieces * sizeof(uint32_t) + total * sizeof(wchar_t)));
    auto* texts = reinterpret_cast<wchar_t*>(ends + pieces);
    uint32_t end = 0;
    size_t piece = 0;
    auto append = [&](std::wstring_view s) {
        std::copy(s.begin(), s.end(), texts + end);
        end += static_cast<uint32_t>(s.size());
        ends[piece++] = end;
    };
    append(key);
    append(text);
    append(tag);
    for (auto s : subTexts) append(s);
    if (keySets_.empty() || keySets_.back() != keys) keySets_.push_back(keys);
    rows_.push_back({ends, texts, static_cast<uint32_t>(pieces),
                     static_cast<uint32_t>(keySets_.size() - 1), false});
}

const ListItems::Row& ListItems::At(int32_t pos) const {
    if (pos < 1 || pos > Count()) throw RuntimeError(err::kIndexOutOfBounds);
    return rows_[static_cast<size_t>(pos - 1)];
}

std::wstring_view ListItems::Piece(int32_t pos, size_t piece) const {
    const Row& r = At(pos);
    if (piece >= r.pieces) return {};
    const size_t begin = piece == 0 ? 0 : r.ends[piece - 1];
    return std::wstring_view(r.texts + begin, r.ends[piece] - begin);
}

std::wstring_view ListItems::Key(int32_t pos) const { return Piece(pos, kKey); }
std::wstring_view ListItems::Text(int32_t pos) const { return Piece(pos, kText); }
std::wstring_view ListItems::Tag(int32_t pos) const { return Piece(pos, kTag); }

int ListItems::SubItemCount(int32_t pos) const {
    return static_cast<int>(At(pos).pieces - kFirstSubItem);
}

std::wstring_view ListItems::SubItem(int32_t pos, int sub) const {
    if (sub < 1) return {};
    return Piece(pos, kFirstSubItem + static_cast<size_t>(sub) - 1);
}

std::wstring_view ListItems::SubItemKey(int32_t pos, int sub) const {
    const KeySet* keys = keySets_[At(pos).keySet].get();
    if (!keys || sub < 1 || static_cast<size_t>(sub) > keys->size()) return {};
    return (*keys)[static_cast<size_t>(sub) - 1];
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
