// The rows of a report-view list: key, text, tag, keyed sub-items and the
// selected state. Rows are stored compactly (texts packed into large blocks,
// sub-item keys shared between rows) so that tens of thousands of 102-column
// rows stay small and cost no allocation each; a virtual list view draws
// straight from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ListItems {
  public:
    // The sub-item keys of a row, in sub-item order. Rows added with the same
    // key set share it.
    using KeySet = std::vector<std::wstring>;

    void Clear();
    int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
    // Appends a row. subTexts[i] is sub-item i + 1, keyed keys[i].
    void Add(std::wstring_view key, std::wstring_view text, std::wstring_view tag,
             const std::shared_ptr<const KeySet>& keys,
             std::span<const std::wstring_view> subTexts);

    // Positions are 1-based, as the list's own item positions.
    std::wstring_view Key(int32_t pos) const;
    std::wstring_view Text(int32_t pos) const;
    std::wstring_view Tag(int32_t pos) const;
    int SubItemCount(int32_t pos) const;
    std::wstring_view SubItem(int32_t pos, int sub) const;  // sub 1-based
    std::wstring_view SubItemKey(int32_t pos, int sub) const;

    bool Selected(int32_t pos) const;
    void SetSelected(int32_t pos, bool selected);
    void SetAllSelected(bool selected);
    // The list's current selected row (the one with the focus), 0 for none.
    int32_t SelectedPosition() const { return current_; }
    void SetSelectedPosition(int32_t pos) { current_ = pos; }

  private:
    struct Row {
        const uint32_t* ends;  // end offset of each piece in `texts`
        const wchar_t* texts;  // key, text, tag, sub-items, back to back
        uint32_t pieces;
        uint32_t keySet;  // index into keySets_
        bool selected;
    };
    // Storage for the rows' pieces, in blocks kept from one filling of the
    // list to the next, so that a search takes no memory from the heap again.
    class Pool {
      public:
        void* Take(size_t bytes);  // aligned for uint32_t
        void Reset() { block_ = used_ = 0; }

      private:
        struct Block {
            std::unique_ptr<std::byte[]> bytes;
            size_t size;
        };
        std::vector<Block> blocks_;
        size_t block_ = 0, used_ = 0;  // the block being filled, and its bytes in use
    };
    std::wstring_view Piece(int32_t pos, size_t piece) const;
    const Row& At(int32_t pos) const;

    std::vector<Row> rows_;
    std::vector<std::shared_ptr<const KeySet>> keySets_;
    Pool pool_;
    int32_t current_ = 0;
};

}  // namespace platform
