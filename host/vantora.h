// Every call the program makes into Vantora and its installation registry,
// one small function each, with the argument types, order and passing that
// Vantora expects. The rest of the program calls these, never member names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation.h"

namespace host {

using platform::Automation;
using platform::Dispatch;
using platform::Object;
using platform::Variant;

constexpr const wchar_t* kApplicationProgId = L"Vantora.Application";
constexpr const wchar_t* kInstallationsProgId = L"VantoraBackend.Installations";

// The running application object (no path). Raises when there is none.
Object GetApplication(Automation& com);

// ProductDatabases.Count, as a Long: callers keep to the 16-bit range.
int32_t ProductDatabaseCount(Automation& com, Dispatch& app);
// ProductDatabases.Item(index).Name; index passed as an Integer by reference.
std::wstring ProductDatabaseName(Automation& com, Dispatch& app, int16_t& index);

// ItemFunctions, looked up once (one serves all the field reads of a row).
Object ItemFunctions(Dispatch& app);
void MLIBufferClear(Dispatch& app);
// The four texts by reference: database, field, operator, value.
int32_t FindAndCopyProductsIntoMLIBuffer(Automation& com, Dispatch& app, std::wstring& database,
                                         std::wstring& field, std::wstring& op,
                                         std::wstring& value);
// MLIBufferCount, as a Long: callers keep to the 16-bit range.
int32_t MLIBufferCount(Automation& com, Dispatch& app);
// row: an Integer by reference, 1-based. The result is an Integer.
int16_t SLIBufferCopyFromMLIBuffer(Automation& com, Dispatch& app, int16_t& row);
// A field's value as read and its text, kept by the caller from read to read
// so that reading reuses their storage.
struct FieldValue {
    Variant value;
    std::wstring text;
};
// Fields of the SLIBuffer row as text, one SLIBufferGetValue call each, in
// order, each name passed by value. texts[i] points into slots[i]; Null
// reads as empty text. A value that has no text raises before the next read.
// `between` runs after every fourth read but the last, before the next call.
void SLIBufferGetValues(Automation& com, Dispatch& itemFunctions,
                        std::span<const std::unique_ptr<const platform::Text>> fields,
                        std::span<FieldValue> slots, std::span<std::wstring_view> texts,
                        const std::function<void()>& between);
// Part number, vendor, quantity by reference, then Long 0 by value. Negative
// when Vantora's answer is below 0 (not added), else 0.
int16_t AddItemFromProductDatabase(Automation& com, Dispatch& app, std::wstring& partNumber,
                                   std::wstring& vendor, double& quantity);
// DocFunctions.GetActiveDocumentIndex; -1 when no document is open.
int16_t GetActiveDocumentIndex(Automation& com, Dispatch& app);

// The installation registry.
Object CreateInstallations(Automation& com);
Variant InstallationCount(Dispatch& installations);
Object FirstInstallation(Dispatch& installations);  // Item(1), Integer 1 by value
// Each reads the installation's Application anew.
Variant IsRunning(Dispatch& installation);
Variant Start(Dispatch& installation);
Object GetRunningObject(Dispatch& installation);  // may be Nothing (null)

}  // namespace host
