#include "platform/text_match.h"

namespace platform {

TextMatch::TextMatch(std::wstring_view text, bool matchCase, bool wholeCell, const CaseFold& fold)
    : text_(text), fold_(fold), matchCase_(matchCase), wholeCell_(wholeCell) {
    if (!matchCase_) {
        for (wchar_t& c : text_) c = fold_(c);
    }
}

// A cell shorter than the text is turned away by its length alone, so a very
// long text costs nothing a cell. Otherwise each place where the text's first
// unit is met is compared on; a cell is read once, folded as it is read.
bool TextMatch::In(std::wstring_view cell) const {
    const size_t n = text_.size();
    if (cell.size() < n || (wholeCell_ && cell.size() != n)) return false;
    if (matchCase_) return wholeCell_ ? cell == text_ : cell.find(text_) != std::wstring_view::npos;
    if (n == 0) return true;
    const wchar_t first = text_[0];
    for (size_t at = 0, last = cell.size() - n; at <= last; ++at) {
        if (fold_(cell[at]) != first) continue;
        size_t k = 1;
        while (k < n && fold_(cell[at + k]) == text_[k]) ++k;
        if (k == n) return true;
    }
    return false;
}

bool TextMatch::Narrows(const TextMatch& before) const {
    if (matchCase_ != before.matchCase_ || wholeCell_ != before.wholeCell_ ||
        &fold_ != &before.fold_)
        return false;
    return wholeCell_ ? text_ == before.text_ : text_.find(before.text_) != std::wstring::npos;
}

}  // namespace platform
