// The Find window: a small modeless box, owned by the window it serves, that
// holds a text to look for, whether its case must match and whether it must
// be a whole cell, with Find Next, Filter, Show All and Close. It only holds
// what the user typed and tells what was asked: its owner acts on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// What the box holds; kept while it is closed, and shown again when it opens.
struct FindRequest {
    std::wstring text;
    bool matchCase = false;
    bool wholeCell = false;
};

// What the user asked: the next row, the filter, every row again; or the
// text or a check box changed.
enum class FindAction { kNext, kFilter, kShowAll, kChanged };

// Control ids inside the box, for whoever drives it. Find Next is IDOK (the
// default button, Enter) and Close IDCANCEL (Esc). None is a message box's
// text (0xFFFF) or the input box's prompt and edit (100, 101): the box may
// stand open beside them.
enum FindDialogId : WORD {
    kFindWhatLabelId = 200,
    kFindWhatId,
    kFindMatchCaseId,
    kFindWholeCellId,
    kFindFilterId,
    kFindShowAllId,
};

class FindDialog {
  public:
    explicit FindDialog(std::function<void(FindAction)> asked) : asked_(std::move(asked)) {}
    ~FindDialog();
    FindDialog(const FindDialog&) = delete;
    FindDialog& operator=(const FindDialog&) = delete;

    // Opens the box owned by `owner`, below or above it; when it is open,
    // brings it forward. Either way "Find what" has the focus, its text
    // selected. The box closes with its owner.
    void Open(HWND owner);
    HWND hwnd() const { return hwnd_; }
    const FindRequest& Request() const { return request_; }

  private:
    static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    void Init();
    void Command(WORD id, WORD code);

    std::function<void(FindAction)> asked_;
    HWND hwnd_ = nullptr;
    FindRequest request_;
    bool filling_ = false;  // the controls are being set from request_
};

}  // namespace win32
