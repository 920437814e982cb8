#include "search/frm_main.h"

#include <algorithm>

#include "host/vantora.h"
#include "host/vantora_api.h"
#include "search/catalogue.h"
#include "search/options.h"

namespace search {

using platform::Object;

namespace {

std::wstring Str(std::wstring_view s) { return std::wstring(s); }

// A 16-bit count from the host, kept to what a 16-bit index can reach:
// more would overflow the loop and end the program.
int32_t Capped(int32_t count, int32_t limit) { return std::min(count, limit); }

// Marks a search as running for as long as the handler runs, however it
// ends; meanwhile Esc asks it to stop.
class Running {
  public:
    Running(bool& flag, platform::Ui& ui) : flag_(flag), ui_(ui) {
        flag_ = true;
        ui_.LongRun(true);
    }
    ~Running() {
        ui_.LongRun(false);
        flag_ = false;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    bool& flag_;
    platform::Ui& ui_;
};

}  // namespace

frmMain::frmMain(Controls controls, platform::Automation& com, platform::Ui& ui,
                 platform::NumberRules& numbers)
    : c_(controls), com_(com), ui_(ui), numbers_(numbers) {}

void frmMain::Form_Load() { LoadSearchOptions(); }

void frmMain::cmdClose_Click() { ui_.Unload(); }

void frmMain::LoadSearchOptions() {
    for (std::wstring_view field : kSearchFields) c_.cboSearchField.AddItem(Str(field));
    c_.cboSearchField.SetListIndex(0);

    c_.cboOperator.Clear();
    for (std::wstring_view op : kOperators) c_.cboOperator.AddItem(Str(op));
    c_.cboOperator.SetListIndex(0);

    BuildColumns(c_.lvwResults);

    c_.cboProductDatabase.Clear();
    if (!modVantoraAPI::EnsureHostRunning(com_, ui_)) {
        ui_.MsgBox(Str(text::kNotRunning), platform::kCritical, Str(text::kNotRunningTitle));
        ui_.End();
    }
    {
        Object app = host::GetApplication(com_);
        const int32_t n = Capped(host::ProductDatabaseCount(com_, *app), kMaxDatabases);
        if (n > 1) c_.cboProductDatabase.AddItem(Str(kAllDatabases));
        for (int32_t i = 1; i <= n; ++i) {
            int16_t index = static_cast<int16_t>(i);
            c_.cboProductDatabase.AddItem(host::ProductDatabaseName(com_, *app, index));
        }
        if (n > 0) c_.cboProductDatabase.SetListIndex(0);
    }
    c_.lblStatus.SetCaption(Str(text::kReady));
}

void frmMain::cmdSearch_Click() {
    // The window answers the user while a search runs; a Search click then
    // would clear the rows under it. It is not kept for later.
    if (searching_) return;
    const Outcome outcome = SearchChosen();
    // Said once the search is over: what the user does on reading it (the
    // list's menu, an Add) is not taken for something done during it.
    if (outcome == Outcome::kStopped) {
        // Stopped before a search returned, the hourglass would stay.
        ui_.SetMousePointer(platform::kDefault);
        c_.lblStatus.SetCaption(Str(text::kStopped));
    } else {
        c_.lblStatus.SetCaption(Str(text::kFinished));
    }
    if (outcome == Outcome::kFull) ui_.MsgBox(Str(text::kRowsCapped), platform::kInformation);
}

frmMain::Outcome frmMain::SearchChosen() {
    // Ends last, once the host's application object is released.
    const Running running(searching_, ui_);
    std::wstring database = c_.cboProductDatabase.Text();
    std::wstring value = c_.txtSearchFor.Text();
    std::wstring field = c_.cboSearchField.Text();
    std::wstring op = c_.cboOperator.Text();

    Object app;
    Outcome outcome = Outcome::kDone;
    if (modVantoraAPI::EnsureHostRunning(com_, ui_)) {
        c_.lblStatus.SetCaption(Str(text::kSearching));
        app = host::GetApplication(com_);
        ui_.SetMousePointer(platform::kHourglass);
        c_.lvwResults.Items().Clear();
        c_.lvwResults.ItemsChanged();

        if (database == kAllDatabases) {
            const int32_t n = Capped(host::ProductDatabaseCount(com_, *app), kMaxDatabases);
            if (n < 1) ui_.SetMousePointer(platform::kDefault);
            for (int32_t i = 1; i <= n && outcome == Outcome::kDone; ++i) {
                int16_t index = static_cast<int16_t>(i);
                database = host::ProductDatabaseName(com_, *app, index);
                c_.lblStatus.SetCaption(L"Searching " + database + L"...");
                ui_.DoEvents();
                // An Esc handled by the yield stops the search before this database.
                outcome = ui_.Progress(c_.lvwResults, true)
                              ? Outcome::kStopped
                              : SearchDatabase(*app, database, field, op, value);
            }
        } else {
            outcome = SearchDatabase(*app, database, field, op, value);
        }
        c_.lvwResults.RowsAdded(true);  // the list draws all it held back, whatever searched
    }
    return outcome;
}

frmMain::Outcome frmMain::SearchDatabase(platform::Dispatch& app, std::wstring& database,
                                         std::wstring& field, std::wstring& op,
                                         std::wstring& value) {
    platform::ListView& list = c_.lvwResults;
    host::MLIBufferClear(app);
    const int32_t found =
        host::FindAndCopyProductsIntoMLIBuffer(com_, app, database, field, op, value);
    ui_.SetMousePointer(platform::kDefault);
    if (ui_.Progress(list, false)) return Outcome::kStopped;
    if (found <= 0) return Outcome::kDone;

    const int32_t rows = host::MLIBufferCount(com_, app);
    platform::ListItems& items = list.Items();
    ProductReader reader(com_, ui_);
    Outcome outcome = Outcome::kDone;
    try {
        for (int32_t row = 1; row <= rows && outcome == Outcome::kDone; ++row) {
            // The list is full before the row index can pass 16 bits.
            if (items.Total() >= kMaxRows) {
                outcome = Outcome::kFull;
                break;
            }
            int16_t index = static_cast<int16_t>(row);
            host::SLIBufferCopyFromMLIBuffer(com_, app, index);
            AddRow(items, reader.Read(app));
            // The row is whole before the list is told of it.
            if (ui_.Progress(list, false)) outcome = Outcome::kStopped;
        }
    } catch (...) {
        // The rows listed before a failed call stay; let the control show them.
        list.ItemsChanged();
        throw;
    }
    // Once more when the database is done.
    if (ui_.Progress(list, true) && outcome == Outcome::kDone) outcome = Outcome::kStopped;
    return outcome;
}

int16_t frmMain::AddProductFromDatabase(std::wstring sPartNumb, std::wstring sVendor,
                                        double dQuantity) {
    if (!modVantoraAPI::EnsureHostRunning(com_, ui_)) {
        ui_.MsgBox(Str(text::kNotRunning), platform::kCritical, Str(text::kNotRunningTitle));
        return -1;
    }
    Object app = host::GetApplication(com_);
    if (host::GetActiveDocumentIndex(com_, *app) == -1) {
        ui_.MsgBox(Str(text::kNoDocument), platform::kCritical);
        return -1;
    }
    return host::AddItemFromProductDatabase(com_, *app, sPartNumb, sVendor, dQuantity);
}

bool frmMain::AddRowToQuote(int32_t pos) {
    const platform::ListItems& items = c_.lvwResults.Items();
    const std::wstring description(items.Text(pos));
    const std::wstring vendor(items.SubItem(pos, 1));
    const std::wstring partNumber(items.Tag(pos));

    const std::wstring typed = ui_.InputBox(
        L"How many [ " + description + L"] would you like to add?", Str(text::kAddTitle));
    if (!numbers_.IsNumeric(typed)) return false;
    if (numbers_.ToDouble(typed) <= 0) return false;
    // A number too large for the 16-bit quantity is as invalid as a word.
    int16_t quantity = 0;
    if (!numbers_.ToInteger(typed, quantity)) return false;

    std::wstring message = L"Product Source: " + vendor + L"\r\nPartNumber: " + partNumber +
                           L"\r\nQuantity: " + std::to_wstring(quantity) + L"\r\n";
    const int16_t result = AddProductFromDatabase(partNumber, vendor, quantity);
    message += result < 0 ? text::kNotAdded : text::kAdded;
    ui_.MsgBox(message, platform::kOkOnly);
    return true;
}

void frmMain::cmdAddToQuote_Click() {
    // The window answers the user during a search, but an add would call
    // the host under it; it is not kept for later either.
    if (searching_) return;
    const int32_t n = c_.lvwResults.Items().Count();
    for (int32_t i = 1; i <= n; ++i) {
        if (!c_.lvwResults.Items().Selected(i)) continue;
        if (!AddRowToQuote(i)) return;
    }
}

void frmMain::lvwResults_DblClick() {
    if (searching_) return;
    const platform::ListItems& items = c_.lvwResults.Items();
    if (items.Count() < 1) {
        ui_.MsgBox(Str(text::kSelectItem), platform::kOkOnly);
        return;
    }
    // Rows but none selected: there is nothing to add.
    const int32_t k = items.SelectedPosition();
    if (k < 1 || k > items.Count()) return;
    AddRowToQuote(k);
}

void frmMain::lvwResults_ColumnClick() {
    // Like a second Search click, a sort would reorder the rows under the
    // running search.
    if (searching_) return;
    platform::ListView& list = c_.lvwResults;
    const int column = list.ClickedColumn();
    const platform::ListItems& items = list.Items();
    list.Sort(column, items.SortColumn() == column && !items.SortDescending());
}

}  // namespace search
