#include "tests/fakes/fake_vantora.h"

#include "host/vantora.h"

namespace fake {

using platform::RuntimeError;
using platform::Variant;

namespace {

// Converts argument i of a scripted member with `f`.
template <class F>
auto ArgAs(Args args, size_t i, F f) {
    if (i >= args.size()) throw RuntimeError(platform::err::kWrongArguments);
    return VisitArg(args[i], f);
}

std::wstring Text(Args args, size_t i) { return ArgAs(args, i, convert::ToString); }

std::wstring FieldText(const Product& p, const std::wstring& field) {
    auto it = p.fields.find(field);
    if (it == p.fields.end()) return {};
    Variant v = it->second.ToVariant();
    return v.IsNull() ? std::wstring() : convert::ToString(v);
}

// The host's search operators that tests use, on the field's text; any
// other raises, so that a new test cannot pass on a guess.
bool Matches(const std::wstring& text, const std::wstring& op, const std::wstring& value) {
    if (op == L"Equal to") return text == value;
    if (op == L"Greater or Equal") return text >= value;
    if (op == L"Contains") return text.find(value) != std::wstring::npos;
    throw RuntimeError(5, L"Invalid procedure call or argument");
}

[[noreturn]] void OutOfRange() { throw RuntimeError(9, L"Subscript out of range"); }

}  // namespace

FakeVantora::FakeVantora(FakeAutomation& com) : com_(com) {
    // The application, its databases and documents.
    app_ = com_.NewObject(L"Application");
    auto dbs = com_.NewObject(L"Application.ProductDatabases");
    dbs->On(L"Count",
            [this](Args) { return Variant(static_cast<int32_t>(scenario.databases.size())); });
    dbs->On(L"Item", [this](Args a) {
        return Variant(com_.Ref(DatabaseItem(ArgAs(a, 0, convert::ToInteger))));
    });
    app_->Child(L"ProductDatabases", dbs);
    auto docs = com_.NewObject(L"Application.DocFunctions");
    docs->On(L"GetActiveDocumentIndex",
             [this](Args) { return scenario.activeDocument.ToVariant(); });
    app_->Child(L"DocFunctions", docs);
    // Its item functions and their buffers.
    auto f = com_.NewObject(L"Application.ItemFunctions");
    f->On(L"MLIBufferClear", [this](Args) {
        buffer.clear();
        return Variant();
    });
    f->On(L"FindAndCopyProductsIntoMLIBuffer", [this](Args a) {
        const std::wstring db = Text(a, 0), field = Text(a, 1), op = Text(a, 2), value = Text(a, 3);
        int32_t n = 0;
        for (const Database& d : scenario.databases) {
            if (d.name != db) continue;
            for (const Product& p : d.products) {
                if (!Matches(FieldText(p, field), op, value)) continue;
                buffer.push_back(p);
                ++n;
            }
        }
        auto forced = scenario.found.find(db);
        return forced != scenario.found.end() ? forced->second.ToVariant() : Variant(n);
    });
    f->On(L"MLIBufferCount", [this](Args) {
        return scenario.bufferCount ? scenario.bufferCount->ToVariant()
                                    : Variant(static_cast<int32_t>(buffer.size()));
    });
    f->On(L"SLIBufferCopyFromMLIBuffer", [this](Args a) {
        const int32_t row = ArgAs(a, 0, convert::ToLong);
        sli_ = row >= 1 && row <= static_cast<int32_t>(buffer.size()) ? buffer[row - 1] : Product{};
        return Variant(int16_t{0});
    });
    f->On(L"SLIBufferGetValue", [this](Args a) {
        auto it = sli_.fields.find(Text(a, 0));
        return it == sli_.fields.end() ? Variant() : it->second.ToVariant();
    });
    f->On(L"AddItemFromProductDatabase", [this](Args a) {
        added.push_back({Text(a, 0), Text(a, 1), ArgAs(a, 2, convert::ToDouble)});
        return scenario.addResult.ToVariant();
    });
    app_->Child(L"ItemFunctions", f);
    SetRunning(true);
    SetInstalled(true);
}

void FakeVantora::SetRunning(bool running) {
    running_ = running;
    com_.SetRunning(host::kApplicationProgId, running ? app_ : nullptr);
}

void FakeVantora::SetInstalled(bool installed) {
    if (!installed) {
        com_.SetCreatable(host::kInstallationsProgId, nullptr);
        return;
    }
    com_.SetCreatable(host::kInstallationsProgId, [this] {
        // A new registry object each time, as CreateObject makes one.
        auto reg = com_.NewObject(L"Installations");
        reg->On(L"Count", [this](Args) { return scenario.installationCount.ToVariant(); });
        reg->On(L"Item", [this](Args a) {
            return Variant(com_.Ref(Installation(ArgAs(a, 0, convert::ToInteger))));
        });
        return reg;
    });
}

std::shared_ptr<FakeObject> FakeVantora::Installation(int index) {
    auto& inst = installations_[index];
    if (inst) return inst;
    const std::wstring path = L"Installations.Item(" + std::to_wstring(index) + L")";
    inst = com_.NewObject(path);
    auto app = com_.NewObject(path + L".Application");
    app->On(L"IsRunning", [this](Args) {
        return scenario.isRunning ? scenario.isRunning->ToVariant() : Variant(running_);
    });
    app->On(L"Start", [this](Args) {
        if (scenario.startBringsUp) SetRunning(true);
        return scenario.startResult.ToVariant();
    });
    app->On(L"GetRunningObject", [this](Args) {
        return Variant(running_ ? com_.Ref(app_) : platform::Object());  // else Nothing
    });
    inst->Child(L"Application", app);
    return inst;
}

std::shared_ptr<FakeObject> FakeVantora::DatabaseItem(int index) {
    if (index < 1 || index > static_cast<int>(scenario.databases.size())) OutOfRange();
    auto& item = items_[index];
    if (!item) {
        item =
            com_.NewObject(L"Application.ProductDatabases.Item(" + std::to_wstring(index) + L")");
        item->On(L"Name", [this, index](Args) {
            if (index > static_cast<int>(scenario.databases.size())) OutOfRange();
            return Variant(scenario.databases[index - 1].name);
        });
    }
    return item;
}

}  // namespace fake
