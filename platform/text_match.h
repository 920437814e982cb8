// The text the user looks for in the result list's cells: anywhere in a cell
// or the whole cell, its case ignored by the user's locale unless it must
// match. Made once per text, then tried on many thousands of cells.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// What each UTF-16 unit compares as when case is ignored, made once from the
// locale's own case mapping: a table of every unit, so that a cell is folded
// as it is read, one lookup a character. A character beyond the basic plane
// (a surrogate pair) compares as it is.
class CaseFold {
  public:
    // `units[u]` is what unit u folds to; the table holds all 65,536 units.
    explicit CaseFold(std::unique_ptr<const char16_t[]> units) : units_(std::move(units)) {}

    wchar_t operator()(wchar_t c) const {
        // Natively a wide character may be a whole code point beyond the table.
        const auto unit = static_cast<uint32_t>(std::char_traits<wchar_t>::to_int_type(c));
        return unit > 0xFFFF ? c : static_cast<wchar_t>(units_[unit]);
    }

  private:
    std::unique_ptr<const char16_t[]> units_;
};

class TextMatch {
  public:
    // `fold` outlives the match.
    TextMatch(std::wstring_view text, bool matchCase, bool wholeCell, const CaseFold& fold);

    // Whether `cell` holds the text (or is it, for the whole cell), unit by
    // unit: a tab, a line break or a surrogate pair in the text is looked
    // for as it is. The empty text is in every cell, and is a whole cell
    // only of an empty one.
    bool In(std::wstring_view cell) const;
    // True when every cell that this finds, `before` finds too: rows that
    // `before` turned away need not be tried again.
    bool Narrows(const TextMatch& before) const;

  private:
    std::wstring text_;  // folded unless case must match
    const CaseFold& fold_;
    bool matchCase_, wholeCell_;
};

}  // namespace platform
