#include "tests/fakes/fake_toolkit.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

#include "platform/error.h"

namespace fake {

std::vector<std::wstring> Journal::Of(std::wstring_view prefix) const {
    std::vector<std::wstring> out;
    for (const std::wstring& line : lines_)
        if (line.size() > prefix.size() && line.starts_with(prefix) && line[prefix.size()] == L' ')
            out.push_back(line.substr(prefix.size() + 1));
    return out;
}

void ComboBox::Clear() {
    items_.clear();
    index_ = -1;
}

void ComboBox::SetListIndex(int index) {
    // As the real control: a position outside the list is an error.
    if (index < -1 || index >= static_cast<int>(items_.size()))
        throw platform::RuntimeError(380, L"Invalid property value");
    index_ = index;
}

std::wstring ComboBox::Text() const {
    journal_.Add(L"read " + name_);
    return index_ < 0 ? std::wstring() : items_[static_cast<size_t>(index_)];
}

std::wstring TextBox::Text() const {
    journal_.Add(L"read " + name_);
    return text_;
}

void Label::SetCaption(const std::wstring& text) {
    caption_ = text;
    journal_.Add(L"status " + text);
}

void ListView::AddColumn(const std::wstring& text, int16_t widthTwips) {
    columns_.push_back({text, widthTwips});
}

void ListView::ItemsChanged() {
    shown_ = items_.Count();
    journal_.Add(L"rows " + std::to_wstring(shown_));
}

void Ui::MsgBox(const std::wstring& text, int style, const std::wstring& title) {
    const std::wstring shown = title.empty() ? std::wstring(kAppTitle) : title;
    messages_.push_back({text, style, shown});
    journal_.Add(L"msgbox " + std::to_wstring(style) + L" " + shown + L": " + text);
}

std::wstring Ui::InputBox(const std::wstring& prompt, const std::wstring& title) {
    prompts_.push_back(prompt);
    inputTitles_.push_back(title);
    std::wstring typed;
    if (!answers_.empty()) {
        typed = std::move(answers_.front());
        answers_.pop_front();
    }
    journal_.Add(L"input " + title + L": " + prompt + L" -> " + typed);
    return typed;
}

void Ui::SetMousePointer(int pointer) {
    pointer_ = pointer;
    ++pointerChanges_;
    journal_.Add(L"pointer " + std::to_wstring(pointer));
}

void Ui::DoEvents() {
    ++doEvents_;
    journal_.Add(L"doevents");
    if (hook_) hook_(doEvents_);
    if (unloaded_) throw platform::EndProgram{};
}

void Ui::Unload() {
    unloaded_ = true;
    journal_.Add(L"unload");
}

void Ui::End() {
    ended_ = true;
    journal_.Add(L"end");
    throw platform::EndProgram{};
}

namespace {

// The number in `text`, or false when it is not one as a whole.
bool Parse(const std::wstring& text, double& value) {
    size_t i = 0, n = text.size();
    auto blanks = [&] {
        while (i < n && std::iswspace(text[i])) ++i;
    };
    auto digits = [&] {
        size_t start = i;
        while (i < n && text[i] >= L'0' && text[i] <= L'9') ++i;
        return i - start;
    };
    blanks();
    size_t begin = i;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
    size_t mantissa = digits();
    if (i < n && text[i] == L'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < n && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < n && (text[i] == L'+' || text[i] == L'-')) ++i;
        if (digits() == 0) return false;
    }
    size_t end = i;
    blanks();
    if (i != n) return false;
    value = std::wcstod(text.substr(begin, end - begin).c_str(), nullptr);
    return std::isfinite(value);
}

}  // namespace

bool NumberRules::IsNumeric(const std::wstring& text) {
    double v;
    return Parse(text, v);
}

double NumberRules::ToDouble(const std::wstring& text) {
    double v = 0;
    if (!Parse(text, v))
        throw platform::RuntimeError(platform::err::kTypeMismatch, L"Type mismatch");
    return v;
}

bool NumberRules::ToInteger(const std::wstring& text, int16_t& out) {
    double v = 0;
    if (!Parse(text, v))
        throw platform::RuntimeError(platform::err::kTypeMismatch, L"Type mismatch");
    double whole = std::floor(v);
    const double rest = v - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    if (whole < -32768 || whole > 32767) return false;
    out = static_cast<int16_t>(whole);
    return true;
}

}  // namespace fake
