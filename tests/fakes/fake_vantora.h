// A scriptable Vantora and installation registry on the recording fake.
//
//   fake::FakeAutomation com;
//   fake::FakeVantora vantora(com);        // running, no databases
//   vantora.scenario.databases = {{L"Main", {{{{L"Vendor", L"Acme"}}}}}};
//   vantora.SetRunning(false);             // GetObject now raises 429
//   vantora.scenario.startResult = fake::I(1);
//   ... code under test ...
//   EXPECT_EQ(com.Outstanding(), 0);
//
// Every member reads `scenario` when it is called, so a test may change it at
// any time, also from com.onCall. Whether the application is in the running
// table and whether the registry class is installed change through
// SetRunning and SetInstalled (both on at first).
//
// Objects (paths as they appear in the call records):
//   Application                      ProductDatabases, ItemFunctions, DocFunctions
//   Application.ProductDatabases     Count, Item(i)
//   Application.ProductDatabases.Item(i)  Name
//   Application.ItemFunctions        MLIBufferClear, FindAndCopyProductsIntoMLIBuffer,
//                                    MLIBufferCount, SLIBufferCopyFromMLIBuffer,
//                                    SLIBufferGetValue, AddItemFromProductDatabase
//   Application.DocFunctions         GetActiveDocumentIndex
//   Installations                    Count, Item(i)
//   Installations.Item(i)            Application
//   Installations.Item(i).Application  IsRunning, Start, GetRunningObject
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/fakes/fake_automation.h"

namespace fake {

struct Product {
    std::map<std::wstring, Value> fields;  // a missing field reads as Empty
};

struct Database {
    std::wstring name;
    std::vector<Product> products;
};

struct Added {
    std::wstring partNumber;
    std::wstring vendor;
    double quantity = 0;
};

struct Scenario {
    std::vector<Database> databases;
    // FindAndCopyProductsIntoMLIBuffer's result by database name; default the
    // number of products it buffered (a Long).
    std::map<std::wstring, Value> found;
    std::optional<Value> bufferCount;  // MLIBufferCount; default the rows buffered (a Long)
    Value activeDocument = int16_t(0);
    Value addResult = int16_t(0);

    Value installationCount = int32_t(1);
    std::optional<Value> isRunning;  // default: whether the application is running
    Value startResult = int16_t(0);
    // Start puts the application in the running table; otherwise the
    // installation's GetRunningObject answers Nothing.
    bool startBringsUp = true;
};

class FakeVantora {
  public:
    explicit FakeVantora(FakeAutomation& com);

    void SetRunning(bool running);
    void SetInstalled(bool installed);

    Scenario scenario;
    std::vector<Added> added;     // AddItemFromProductDatabase calls, in order
    std::vector<Product> buffer;  // the MLIBuffer

  private:
    std::shared_ptr<FakeObject> DatabaseItem(int index);
    std::shared_ptr<FakeObject> Installation(int index);

    FakeAutomation& com_;
    bool running_ = false;
    std::shared_ptr<FakeObject> app_;
    std::map<int, std::shared_ptr<FakeObject>> items_;
    std::map<int, std::shared_ptr<FakeObject>> installations_;
    Product sli_;
};

}  // namespace fake
