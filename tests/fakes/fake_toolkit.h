// A fake window toolkit: controls, message and input boxes, the mouse
// pointer and the event queue, recording everything the user would see.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/toolkit.h"
#include "search/frm_main.h"

namespace fake {

// What the user saw and did, in order, one line each, e.g.
// "status Searching...", "pointer 11", "msgbox 16 Vantora API: <text>",
// "input <title>: <prompt> -> <typed>".
class Journal {
  public:
    void Add(std::wstring line) {
        if (observer) observer(line);
        lines_.push_back(std::move(line));
    }
    const std::vector<std::wstring>& lines() const { return lines_; }
    // The lines that start with `prefix`, the prefix and one blank removed.
    std::vector<std::wstring> Of(std::wstring_view prefix) const;
    void Clear() { lines_.clear(); }
    // Sees each line as it is added, e.g. to check the host's state then.
    std::function<void(const std::wstring&)> observer;

  private:
    std::vector<std::wstring> lines_;
};

class ComboBox : public platform::ComboBox {
  public:
    ComboBox(Journal& journal, std::wstring name) : journal_(journal), name_(std::move(name)) {}
    void Clear() override;
    void AddItem(const std::wstring& text) override { items_.push_back(text); }
    void SetListIndex(int index) override;
    std::wstring Text() const override;

    const std::vector<std::wstring>& items() const { return items_; }

  private:
    Journal& journal_;
    std::wstring name_;
    std::vector<std::wstring> items_;
    int index_ = -1;
};

class TextBox : public platform::TextBox {
  public:
    TextBox(Journal& journal, std::wstring name) : journal_(journal), name_(std::move(name)) {}
    std::wstring Text() const override;
    void Type(std::wstring text) { text_ = std::move(text); }

  private:
    Journal& journal_;
    std::wstring name_;
    std::wstring text_;
};

class Label : public platform::Label {
  public:
    explicit Label(Journal& journal) : journal_(journal) {}
    void SetCaption(const std::wstring& text) override;
    const std::wstring& caption() const { return caption_; }

  private:
    Journal& journal_;
    std::wstring caption_;
};

class ListView : public platform::ListView {
  public:
    explicit ListView(Journal& journal) : journal_(journal) {}
    // The columns are the window's own business: no unit test reads them.
    void ClearColumns() override {}
    void AddColumn(const std::wstring&, int16_t) override {}
    platform::ListItems& Items() override { return items_; }
    // Record the row count the control now shows ("rows N"); appended rows
    // only when there are new ones.
    void ItemsChanged() override;
    void RowsAdded(bool) override;
    int ClickedColumn() const override { return clicked_; }
    // Sorts every column as text, by character codes; records "sorted
    // <column> up|down".
    void Sort(int column, bool descending) override;

    void ClickHeader(int column) { clicked_ = column; }
    const platform::ListItems& items() const { return items_; }
    // The row count the control was last told about.
    int32_t shownRows() const { return shown_; }

  private:
    Journal& journal_;
    platform::ListItems items_;
    int32_t shown_ = 0;
    int clicked_ = 0;
};

class Ui : public platform::Ui {
  public:
    explicit Ui(Journal& journal) : journal_(journal) {}
    void MsgBox(const std::wstring& text, int style, const std::wstring& title) override;
    // Answers from the script, in order; Cancel (empty text) when it runs out.
    std::wstring InputBox(const std::wstring& prompt, const std::wstring& title) override;
    void SetMousePointer(int pointer) override;
    // Runs the hook (the user acting while the program yields), then throws
    // EndProgram when the window was unloaded meanwhile.
    void DoEvents() override;
    // A run forgets an earlier Esc; progress shows the rows at every call,
    // and ends the run once the window was unloaded.
    void LongRun(bool on) override {
        escape = false;
        running_ = on;
    }
    bool Progress(platform::ListView& list, bool) override;
    // Runs the respond hook: the user acting between two host calls.
    void Respond() override;
    void Unload() override;
    [[noreturn]] void End() override;

    void Answer(std::wstring typed) { answers_.push_back(std::move(typed)); }
    void OnDoEvents(std::function<void(int call)> hook) { hook_ = std::move(hook); }
    void OnRespond(std::function<void(int call)> hook) { respondHook_ = std::move(hook); }

    bool escape = false;  // the user pressed Esc during the run
    int pointer() const { return pointer_; }
    bool unloaded() const { return unloaded_; }
    bool running() const { return running_; }  // inside a long run

  private:
    Journal& journal_;
    std::deque<std::wstring> answers_;
    std::function<void(int)> hook_, respondHook_;
    int pointer_ = platform::kDefault;
    int doEvents_ = 0, responds_ = 0;
    bool unloaded_ = false, running_ = false;
};

// Numbers as typed in the invariant locale: optional blanks and sign, digits
// with an optional point and exponent; conversion to 16 bits rounds halves
// to even.
class NumberRules : public platform::NumberRules {
  public:
    bool IsNumeric(const std::wstring& text) override;
    double ToDouble(const std::wstring& text) override;
    bool ToInteger(const std::wstring& text, int16_t& out) override;
};

// The search window's controls and the toolkit around them.
struct Window {
    Journal journal;
    ComboBox cboProductDatabase{journal, L"cboProductDatabase"};
    ComboBox cboSearchField{journal, L"cboSearchField"};
    ComboBox cboOperator{journal, L"cboOperator"};
    TextBox txtSearchFor{journal, L"txtSearchFor"};
    Label lblStatus{journal};
    ListView lvwResults{journal};
    Ui ui{journal};
    NumberRules numbers;

    search::Controls controls() {
        return {cboProductDatabase, cboSearchField, cboOperator,
                txtSearchFor,       lblStatus,      lvwResults};
    }
};

}  // namespace fake
