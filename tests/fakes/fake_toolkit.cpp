#include "tests/fakes/fake_toolkit.h"

#include <cmath>

#include "platform/error.h"
#include "tests/fakes/fake_automation.h"

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
        throw platform::RuntimeError(platform::err::kInvalidPropertyValue);
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

void ListView::Sort(int column, bool descending) {
    struct : platform::CellReader {
        bool Number(std::wstring_view, double&) override { return false; }
        bool Date(std::wstring_view, double&) override { return false; }
        void AppendTextKey(std::wstring_view cell, std::string& keys) override {
            for (wchar_t c : cell) keys += static_cast<char>(c);
        }
    } reader;
    items_.Sort(column, descending, reader);
    journal_.Add(L"sorted " + std::to_wstring(column) + (descending ? L" down" : L" up"));
}

void ListView::ItemsChanged() {
    shown_ = items_.Count();
    journal_.Add(L"rows " + std::to_wstring(shown_));
}

void ListView::RowsAdded(bool) {
    if (items_.Count() != shown_) ItemsChanged();
}

void Ui::MsgBox(const std::wstring& text, int style, const std::wstring& title) {
    const std::wstring shown = title.empty() ? std::wstring(L"Skuvane") : title;
    journal_.Add(L"msgbox " + std::to_wstring(style) + L" " + shown + L": " + text);
}

std::wstring Ui::InputBox(const std::wstring& prompt, const std::wstring& title) {
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
    journal_.Add(L"pointer " + std::to_wstring(pointer));
}

void Ui::DoEvents() {
    ++doEvents_;
    journal_.Add(L"doevents");
    if (hook_) hook_(doEvents_);
    if (unloaded_) throw platform::EndProgram{};
}

bool Ui::Progress(platform::ListView& list, bool now) {
    list.RowsAdded(now);
    if (unloaded_) throw platform::EndProgram{};
    return escape;
}

void Ui::Respond() {
    if (respondHook_) respondHook_(++responds_);
}

void Ui::Unload() {
    unloaded_ = true;
    journal_.Add(L"unload");
}

void Ui::End() {
    journal_.Add(L"end");
    throw platform::EndProgram{};
}

bool NumberRules::IsNumeric(const std::wstring& text) {
    double v;
    return convert::ParseNumber(text, v);
}

double NumberRules::ToDouble(const std::wstring& text) {
    return convert::ToDouble(platform::Variant(text));  // raises 13 for a text not a number
}

bool NumberRules::ToInteger(const std::wstring& text, int16_t& out) {
    const double whole = std::nearbyint(ToDouble(text));  // halves to even
    if (whole < -32768 || whole > 32767) return false;
    out = static_cast<int16_t>(whole);
    return true;
}

}  // namespace fake
