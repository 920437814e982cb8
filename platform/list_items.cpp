#include "platform/list_items.h"

#include <algorithm>
#include <cstring>

#include "platform/error.h"

namespace platform {

namespace {
constexpr size_t kKey = 0, kText = 1, kTag = 2, kFirstSubItem = 3;
constexpr size_t kBlockBytes = size_t{1024} * 1024;

// A row's pieces are mostly a few characters: copied here, a few at a time,
// they cost less than a call into the runtime each.
wchar_t* CopyPiece(std::wstring_view s, wchar_t* out) {
    constexpr size_t kRun = 4;
    const wchar_t* p = s.data();
    size_t n = s.size();
    if (n > 8 * kRun) return std::copy(p, p + n, out);
    for (; n >= kRun; n -= kRun, p += kRun, out += kRun)
        std::memcpy(out, p, sizeof(wchar_t) * kRun);
    for (; n > 0; --n) *out++ = *p++;
    return out;
}
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
    order_.clear();
    shown_.clear();
    sortColumn_ = -1;
    descending_ = false;
    keySets_.clear();
    pool_.Reset();
    focused_ = kNoRow;
    current_ = 0;
    match_.reset();
    columns_.clear();
    past_.clear();
    next_ = 0;
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
        CopyPiece(s, texts + end);
        end += static_cast<uint32_t>(s.size());
        ends[piece++] = end;
    };
    append(key);
    append(text);
    append(tag);
    for (auto s : subTexts) append(s);
    if (keySets_.empty() || keySets_.back() != keys) keySets_.push_back(keys);
    const auto row = static_cast<uint32_t>(rows_.size());
    rows_.push_back({ends, texts, static_cast<uint32_t>(pieces),
                     static_cast<uint32_t>(keySets_.size() - 1), false, false});
    rows_.back().hidden = match_ && !Has(rows_.back(), *match_, columns_);
    order_.push_back(row);
    if (!rows_.back().hidden) shown_.push_back(row);
}

size_t ListItems::RowIndex(int32_t pos) const {
    if (pos < 1 || pos > Count()) throw RuntimeError(err::kIndexOutOfBounds);
    return shown_[static_cast<size_t>(pos - 1)];
}

std::wstring_view ListItems::Piece(const Row& r, size_t piece) {
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

std::wstring_view ListItems::Cell(int32_t pos, int column) const {
    return column == 0 ? Text(pos) : SubItem(pos, column);
}

bool ListItems::Selected(int32_t pos) const { return At(pos).selected; }

void ListItems::SetSelected(int32_t pos, bool selected) {
    rows_[RowIndex(pos)].selected = selected;
}

void ListItems::SetAllSelected(bool selected) {
    for (uint32_t row : shown_) rows_[row].selected = selected;
}

void ListItems::SetSelectedPosition(int32_t pos) {
    focused_ = pos >= 1 && pos <= Count() ? shown_[static_cast<size_t>(pos - 1)] : kNoRow;
    current_ = focused_ == kNoRow ? 0 : pos;
}

void ListItems::FindFocused() {
    const auto at = std::find(shown_.begin(), shown_.end(), focused_);
    current_ = at == shown_.end() ? 0 : static_cast<int32_t>(at - shown_.begin()) + 1;
}

void ListItems::ShowUnhidden() {
    shown_.clear();
    for (uint32_t row : order_) {
        if (!rows_[row].hidden) shown_.push_back(row);
    }
    FindFocused();
}

bool ListItems::Has(const Row& r, const TextMatch& match, std::span<const int> columns) {
    for (int column : columns) {
        const size_t piece = column <= 0 ? kText : kFirstSubItem + static_cast<size_t>(column) - 1;
        if (match.In(Piece(r, piece))) return true;
    }
    return false;
}

// A text typed a key at a time and deleted a key at a time filters with
// texts it had before: each filter's outcome is kept, and taken back for the
// same filter, so that only the rows found since are tried. Otherwise,
// narrowed, only the rows shown are tried and the hidden stay hidden;
// widened, only the hidden are tried; else every row. Either way the order
// shown is kept.
void ListItems::Filter(std::shared_ptr<const TextMatch> match, std::vector<int> columns) {
    const bool sameColumns = match_ && columns == columns_;
    const bool narrow = match && sameColumns && match->Narrows(*match_);
    const bool widen = match && sameColumns && match_->Narrows(*match);
    if (match_) Remember();
    match_ = std::move(match);
    columns_ = std::move(columns);
    size_t from = 0;  // the first row not yet tried
    if (match_) {
        const auto past = Kept();
        if (past != past_.end()) {
            for (size_t row = 0; row < past->hidden.size(); ++row)
                rows_[row].hidden = past->hidden[row];
            from = past->hidden.size();
        }
    }
    const auto tryRow = [this](uint32_t row) {
        Row& r = rows_[row];
        r.hidden = match_ && !Has(r, *match_, columns_);
    };
    if (from > 0) {
        for (size_t row = from; row < rows_.size(); ++row) tryRow(static_cast<uint32_t>(row));
    } else if (narrow) {
        for (uint32_t row : shown_) tryRow(row);
    } else {
        for (uint32_t row : order_) {
            if (!widen || rows_[row].hidden) tryRow(row);
        }
    }
    ShowUnhidden();
}

// The filter kept that finds what the one in force finds, if any: the same
// text, the same ways, the same columns.
std::vector<ListItems::Past>::iterator ListItems::Kept() {
    return std::find_if(past_.begin(), past_.end(), [this](const Past& p) {
        return p.columns == columns_ && p.match->Narrows(*match_) && match_->Narrows(*p.match);
    });
}

// The filter in force, as the rows have it now; the oldest kept is let go
// first. A few kilobytes each at the most rows.
void ListItems::Remember() {
    constexpr size_t kMostKept = 64;
    const auto same = Kept();
    Past& past = same != past_.end()        ? *same
                 : past_.size() < kMostKept ? past_.emplace_back()
                                            : past_[next_++ % kMostKept];
    past.match = match_;
    past.columns = columns_;
    past.hidden.resize(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) past.hidden[row] = rows_[row].hidden;
}

int32_t ListItems::Next(const TextMatch& match, std::span<const int> columns, int32_t pos,
                        bool backwards) const {
    const int32_t count = Count();
    if (pos < 1 || pos > count) pos = backwards ? count + 1 : 0;
    for (int32_t i = 1; i <= count; ++i) {
        // One step on from `pos`, wrapping: positions are 1 to count.
        const int32_t at = (pos - 1 + (backwards ? count - i : i)) % count + 1;
        if (Has(At(at), match, columns)) return at;
    }
    return 0;
}

namespace {

// A column's non-empty cells as sort keys with their rows (0-based, found
// order), made once per sort: comparing keys is cheap, reading a cell by the
// locale's rules is not.
template <class Key>
using Keyed = std::vector<std::pair<Key, uint32_t>>;

int Compare(double a, double b) { return (a > b) - (a < b); }
int Compare(std::string_view a, std::string_view b) { return a.compare(b); }

// By key, ascending or descending; equal keys keep their found order.
template <class Key>
void Order(Keyed<Key>& keyed, bool descending) {
    std::sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
        const int c = Compare(a.first, b.first);
        return c != 0 ? (descending ? c > 0 : c < 0) : a.second < b.second;
    });
}

}  // namespace

void ListItems::Sort(int column, bool descending, CellReader& reader) {
    const size_t piece = column <= 0 ? kText : kFirstSubItem + static_cast<size_t>(column) - 1;

    Keyed<double> numbers, dates;
    Keyed<std::string_view> texts;
    std::vector<uint32_t> empties;
    std::string bytes;  // the text keys, back to back
    std::vector<size_t> ends;
    for (uint32_t row = 0; row < rows_.size(); ++row) {
        const std::wstring_view cell = Piece(rows_[row], piece);
        double value = 0;
        if (cell.empty()) {
            empties.push_back(row);
        } else if (reader.Number(cell, value)) {
            numbers.emplace_back(value, row);
        } else if (reader.Date(cell, value)) {
            dates.emplace_back(value, row);
        } else {
            reader.AppendTextKey(cell, bytes);
            ends.push_back(bytes.size());
            texts.emplace_back(std::string_view(), row);
        }
    }
    for (size_t i = 0, begin = 0; i < texts.size(); begin = ends[i++])
        texts[i].first = std::string_view(bytes).substr(begin, ends[i] - begin);
    Order(numbers, descending);
    Order(dates, descending);
    Order(texts, descending);

    order_.clear();
    const auto show = [this](const auto& keyed) {
        for (const auto& k : keyed) order_.push_back(k.second);
    };
    if (descending) {
        show(texts);
        show(dates);
        show(numbers);
    } else {
        show(numbers);
        show(dates);
        show(texts);
    }
    order_.insert(order_.end(), empties.begin(), empties.end());
    ShowUnhidden();
    sortColumn_ = column;
    descending_ = descending;
}

void AppendCell(std::wstring& out, std::wstring_view cell) {
    if (cell.find_first_of(L"\t\r\n\"") == std::wstring_view::npos) {
        out += cell;
        return;
    }
    out += L'"';
    for (wchar_t c : cell) {
        if (c == L'"') out += L'"';
        out += c;
    }
    out += L'"';
}

std::wstring SelectedRowsAsText(const ListItems& items, std::span<const std::wstring> captions,
                                std::span<const int> columns) {
    std::wstring out;
    auto line = [&](auto cell) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (i > 0) out += L'\t';
            AppendCell(out, cell(columns[i]));
        }
        out += L"\r\n";
    };
    line([&](int column) { return std::wstring_view(captions[static_cast<size_t>(column)]); });
    for (int32_t pos = 1; pos <= items.Count(); ++pos) {
        if (items.Selected(pos)) line([&](int column) { return items.Cell(pos, column); });
    }
    return out;
}

}  // namespace platform
