// The window toolkit as the program's logic sees it. Win32 implements these
// over real controls; the unit tests implement them with fakes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/list_items.h"

namespace platform {

// Thrown to end the program at once: unwinds the running handler (releasing
// what it holds) up to the event binding, which ends the process.
struct EndProgram {};

class ComboBox {
  public:
    virtual ~ComboBox() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const std::wstring& text) = 0;
    virtual void SetListIndex(int index) = 0;  // 0-based
    virtual std::wstring Text() const = 0;     // the selected entry, or empty
};

class TextBox {
  public:
    virtual ~TextBox() = default;
    virtual std::wstring Text() const = 0;
};

class Label {
  public:
    virtual ~Label() = default;
    virtual void SetCaption(const std::wstring& text) = 0;
};

// A report-view list whose rows live in the ListItems model it owns.
class ListView {
  public:
    virtual ~ListView() = default;
    virtual void ClearColumns() = 0;
    virtual void AddColumn(const std::wstring& text, int16_t widthTwips) = 0;
    virtual ListItems& Items() = 0;
    // Tells the control that rows were added or removed.
    virtual void ItemsChanged() = 0;
    // Tells the control that rows were appended; the view does not move.
    // New rows in view show at once; the rest may wait for `done`, when the
    // run of rows is over.
    virtual void RowsAdded(bool done) = 0;
    // The column (0-based) whose header the user clicked last.
    virtual int ClickedColumn() const = 0;
    // Shows the rows sorted by a column (ListItems::Sort), with the header's
    // arrow on that column; the selection and the focused row stay.
    virtual void Sort(int column, bool descending) = 0;
};

enum MousePointer { kDefault = 0, kHourglass = 11 };

enum MsgBoxStyle { kOkOnly = 0, kCritical = 16, kInformation = 64 };

class Ui {
  public:
    virtual ~Ui() = default;
    // An empty title shows the application title.
    virtual void MsgBox(const std::wstring& text, int style, const std::wstring& title = {}) = 0;
    // The typed text, or empty text on Cancel.
    virtual std::wstring InputBox(const std::wstring& prompt, const std::wstring& title) = 0;
    virtual void SetMousePointer(int pointer) = 0;
    // Handles the waiting window messages. Throws EndProgram when the window
    // was closed meanwhile.
    virtual void DoEvents() = 0;
    // A long run of work (a search) begins or ends. While it runs, Esc
    // pressed in the window asks it to stop.
    virtual void LongRun(bool running) = 0;
    // Between two rows of a long run: at most every 100 ms (and whenever
    // `now`, which ends a run of rows), has `list` show the rows appended,
    // and lets the window answer the user (Respond). True when the user
    // asked the run to stop. Throws EndProgram when the window was closed
    // meanwhile: the run ends at the row it finished.
    virtual bool Progress(ListView& list, bool now) = 0;
    // Between two host calls of a long run: the window answers what the user
    // did meanwhile (scrolling, selecting, copying, closing), while the run
    // waits. Cheap when nothing waits. Handlers that would call the host or
    // reorder the rows refuse to run while a long run lasts.
    virtual void Respond() = 0;
    // Unloads the window; the program ends when no handler is running.
    virtual void Unload() = 0;
    // Ends the program at once: throws EndProgram.
    [[noreturn]] virtual void End() = 0;
};

// Numbers typed by the user, read under the user's locale.
class NumberRules {
  public:
    virtual ~NumberRules() = default;
    virtual bool IsNumeric(const std::wstring& text) = 0;
    // Only called on numeric text.
    virtual double ToDouble(const std::wstring& text) = 0;
    // Rounds halves to even; false when the value does not fit 16 bits.
    virtual bool ToInteger(const std::wstring& text, int16_t& out) = 0;
};

}  // namespace platform
