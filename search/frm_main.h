// frmMain: the search window's logic, over the toolkit's controls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation.h"
#include "platform/toolkit.h"

namespace search {

// The window's controls that the logic uses, by their names.
struct Controls {
    platform::ComboBox& cboProductDatabase;
    platform::ComboBox& cboSearchField;
    platform::ComboBox& cboOperator;
    platform::TextBox& txtSearchFor;
    platform::Label& lblStatus;
    platform::ListView& lvwResults;
};

class frmMain {
  public:
    frmMain(Controls controls, platform::Automation& com, platform::Ui& ui,
            platform::NumberRules& numbers);

    // The five event handlers. None catches: failures leave as
    // platform::RuntimeError, and platform::EndProgram ends the program.
    void Form_Load();
    void cmdSearch_Click();
    void cmdAddToQuote_Click();
    void cmdClose_Click();
    void lvwResults_DblClick();
    // Sorts by the clicked column, ascending; again on the same one, descending.
    void lvwResults_ColumnClick();

    int16_t AddProductFromDatabase(std::wstring sPartNumb, std::wstring sVendor, double dQuantity);

  private:
    void LoadSearchOptions();
    // How a database's search ended: every row read, rows left unread
    // because the list is full, or stopped by the user.
    enum class Outcome { kDone, kFull, kStopped };
    // The search the choosers name, the window live until it returns.
    Outcome SearchChosen();
    Outcome SearchDatabase(platform::Dispatch& app, std::wstring& database, std::wstring& field,
                           std::wstring& op, std::wstring& value);
    // False when the row was abandoned (no valid quantity typed).
    bool AddRowToQuote(int32_t pos);

    Controls c_;
    platform::Automation& com_;
    platform::Ui& ui_;
    platform::NumberRules& numbers_;
    bool searching_ = false;  // a search is running: the window answers the user meanwhile
};

// The handlers by the events they answer: "Form_Load", and "<control>_<event>"
// for a control of the layout table.
struct EventHandler {
    const wchar_t* event;
    void (frmMain::*handler)();
};
inline constexpr EventHandler kEventHandlers[] = {
    {L"Form_Load", &frmMain::Form_Load},
    {L"cmdSearch_Click", &frmMain::cmdSearch_Click},
    {L"cmdAddToQuote_Click", &frmMain::cmdAddToQuote_Click},
    {L"cmdClose_Click", &frmMain::cmdClose_Click},
    {L"lvwResults_DblClick", &frmMain::lvwResults_DblClick},
    {L"lvwResults_ColumnClick", &frmMain::lvwResults_ColumnClick},
};

}  // namespace search
