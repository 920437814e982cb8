// The rows of a report-view list: key, text, tag, keyed sub-items and the
// selected state. Rows are stored compactly (texts packed into large blocks,
// sub-item keys shared between rows) so that tens of thousands of 102-column
// rows stay small and cost no allocation each; a virtual list view draws
// straight from here. The rows are shown in an order of their own (found
// order, or sorted by a column), and a filter may show only some of them:
// positions are places among the rows shown, and a row keeps its key, tag,
// cells and selected state wherever it is shown, and while it is hidden.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_match.h"

namespace platform {

// How a cell reads when rows are sorted: the platform's own conversions under
// the user's locale, so that cells compare as the user reads them.
class CellReader {
  public:
    virtual ~CellReader() = default;
    virtual bool Number(std::wstring_view cell, double& out) = 0;
    virtual bool Date(std::wstring_view cell, double& out) = 0;
    // Appends to `keys` the cell's key: bytes whose order is the locale's
    // order of texts, ignoring case.
    virtual void AppendTextKey(std::wstring_view cell, std::string& keys) = 0;
};

class ListItems {
  public:
    // The sub-item keys of a row, in sub-item order. Rows added with the same
    // key set share it.
    using KeySet = std::vector<std::wstring>;

    void Clear();
    // The rows shown; Total() counts the hidden ones too.
    int32_t Count() const { return static_cast<int32_t>(shown_.size()); }
    int32_t Total() const { return static_cast<int32_t>(rows_.size()); }
    // Appends a row, shown last unless the filter hides it. subTexts[i] is
    // sub-item i + 1, keyed keys[i].
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
    // A column's cell: 0 the text, n sub-item n.
    std::wstring_view Cell(int32_t pos, int column) const;

    bool Selected(int32_t pos) const;
    void SetSelected(int32_t pos, bool selected);
    // Every row shown; the hidden ones keep their state.
    void SetAllSelected(bool selected);
    // The list's current selected row (the one with the focus), 0 for none
    // or when the filter hides it; it has the focus again once shown.
    int32_t SelectedPosition() const { return current_; }
    void SetSelectedPosition(int32_t pos);

    // Shows the rows sorted by a column (0 the text, n sub-item n). Each
    // non-empty cell is a number if it reads as one, else a date if it reads
    // as one, else text. Ascending: numbers by value, then dates, then texts;
    // descending the reverse (texts Z to A, dates, numbers large to small).
    // Empty cells come last either way; equal cells keep their found order.
    // The focused row stays focused.
    void Sort(int column, bool descending, CellReader& reader);
    int SortColumn() const { return sortColumn_; }  // -1: found order
    bool SortDescending() const { return descending_; }

    // Shows only the rows with a cell of `columns` (Cell's numbers) that
    // `match` finds, in the order shown; null shows every row again. Rows
    // added later show only if it finds them. Only the rows whose outcome
    // may differ are tried: the shown when `match` narrows the filter before
    // it (TextMatch::Narrows), the hidden when it widens it, the rows found
    // since when the same filter was set before.
    void Filter(std::shared_ptr<const TextMatch> match, std::vector<int> columns);
    bool Filtered() const { return match_ != nullptr; }
    const std::shared_ptr<const TextMatch>& FilterMatch() const { return match_; }
    // The position of the first row after `pos` (before it, `backwards`),
    // wrapping around and `pos` itself last, with a cell of `columns` that
    // `match` finds; 0 when none has. From 0, the first row is tried first
    // (backwards, the last).
    int32_t Next(const TextMatch& match, std::span<const int> columns, int32_t pos,
                 bool backwards) const;

  private:
    struct Row {
        const uint32_t* ends;  // end offset of each piece in `texts`
        const wchar_t* texts;  // key, text, tag, sub-items, back to back
        uint32_t pieces;
        uint32_t keySet;  // index into keySets_
        bool selected;
        bool hidden;  // by the filter
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
    static std::wstring_view Piece(const Row& r, size_t piece);
    std::wstring_view Piece(int32_t pos, size_t piece) const { return Piece(At(pos), piece); }
    // The row shown at a position; raises for a position outside the list.
    size_t RowIndex(int32_t pos) const;
    const Row& At(int32_t pos) const { return rows_[RowIndex(pos)]; }
    // Whether a cell of `columns` holds what `match` finds.
    static bool Has(const Row& r, const TextMatch& match, std::span<const int> columns);
    // The rows shown again from order_, and the focused row's position.
    void ShowUnhidden();
    // Filters set before, each with the rows it hid (by found order) of
    // those there were then.
    struct Past {
        std::shared_ptr<const TextMatch> match;
        std::vector<int> columns;
        std::vector<bool> hidden;
    };
    std::vector<Past>::iterator Kept();
    void Remember();
    void FindFocused();

    std::vector<Row> rows_;        // in found order
    std::vector<uint32_t> order_;  // every row in the order shown, 0-based
    std::vector<uint32_t> shown_;  // the row shown at each position: order_ less the hidden
    std::vector<std::shared_ptr<const KeySet>> keySets_;
    Pool pool_;
    static constexpr uint32_t kNoRow = UINT32_MAX;
    uint32_t focused_ = kNoRow;  // the row with the focus, shown or not
    int32_t current_ = 0;        // its position, 0 when hidden
    int sortColumn_ = -1;
    bool descending_ = false;
    std::shared_ptr<const TextMatch> match_;  // the filter, if any
    std::vector<int> columns_;                // the columns it looks in
    std::vector<Past> past_;
    size_t next_ = 0;  // the next kept to let go, once they are many
};

// The selected rows as text a spreadsheet takes pasted: a line of the
// captions of `columns` (ListItems::Cell's numbers, in the order given), then
// a line for each selected row in the order shown, cells separated by tabs,
// lines ended by CR LF. A cell holding a tab, a line break or a double quote
// is put in double quotes, its quotes doubled.
std::wstring SelectedRowsAsText(const ListItems& items, std::span<const std::wstring> captions,
                                std::span<const int> columns);
// One cell of such text appended to `out`, quoted as above when it must be.
void AppendCell(std::wstring& out, std::wstring_view cell);

}  // namespace platform
