#include "host/vantora.h"

#include <array>

namespace host {

using platform::Arg;
using platform::Get;
using platform::GetObjectMember;
using platform::Invoke;

// Every member is read anew for each call: Vantora hands out fresh objects,
// and holding one across calls would keep it alive longer than its owner
// expects.

Object GetApplication(Automation& com) { return com.GetRunningObject(kApplicationProgId); }

int32_t ProductDatabaseCount(Automation& com, Dispatch& app) {
    Object dbs = GetObjectMember(app, L"ProductDatabases");
    return com.ToLong(Get(*dbs, L"Count"));
}

std::wstring ProductDatabaseName(Automation& com, Dispatch& app, int16_t& index) {
    Object dbs = GetObjectMember(app, L"ProductDatabases");
    std::array<Arg, 1> args{Arg::Ref(index)};
    Object db = platform::ToObject(Invoke(*dbs, L"Item", args));
    return com.ToString(Get(*db, L"Name"));
}

Object ItemFunctions(Dispatch& app) { return GetObjectMember(app, L"ItemFunctions"); }

void MLIBufferClear(Dispatch& app) {
    Object f = ItemFunctions(app);
    Invoke(*f, L"MLIBufferClear");
}

int32_t FindAndCopyProductsIntoMLIBuffer(Automation& com, Dispatch& app, std::wstring& database,
                                         std::wstring& field, std::wstring& op,
                                         std::wstring& value) {
    Object f = ItemFunctions(app);
    std::array<Arg, 4> args{Arg::Ref(database), Arg::Ref(field), Arg::Ref(op), Arg::Ref(value)};
    return com.ToLong(Invoke(*f, L"FindAndCopyProductsIntoMLIBuffer", args));
}

int32_t MLIBufferCount(Automation& com, Dispatch& app) {
    Object f = ItemFunctions(app);
    return com.ToLong(Invoke(*f, L"MLIBufferCount"));
}

int16_t SLIBufferCopyFromMLIBuffer(Automation& com, Dispatch& app, int16_t& row) {
    Object f = ItemFunctions(app);
    std::array<Arg, 1> args{Arg::Ref(row)};
    return com.ToInteger(Invoke(*f, L"SLIBufferCopyFromMLIBuffer", args));
}

void SLIBufferGetValues(Automation& com, Dispatch& itemFunctions,
                        std::span<const std::unique_ptr<const platform::Text>> fields,
                        std::span<FieldValue> slots, std::span<std::wstring_view> texts,
                        const std::function<void()>& between) {
    class Reads final : public platform::CallRun {
      public:
        Reads(Automation& com, std::span<const std::unique_ptr<const platform::Text>> fields,
              std::span<FieldValue> slots, std::span<std::wstring_view> texts,
              const std::function<void()>& between)
            : com_(com), fields_(fields), slots_(slots), texts_(texts), between_(between) {}
        size_t size() const override { return fields_.size(); }
        const platform::Text& Argument(size_t i) const override { return *fields_[i]; }
        Variant& Answer(size_t i) override { return slots_[i].value; }
        std::wstring* TextSlot(size_t i) override { return &slots_[i].text; }
        void Answered(size_t i, bool asText) override {
            FieldValue& slot = slots_[i];
            if (asText) {
                texts_[i] = slot.text;  // the usual answers: text, a number
            } else if (slot.value.IsNull()) {
                texts_[i] = {};
            } else if (const std::wstring* text = slot.value.get<std::wstring>()) {
                texts_[i] = *text;
            } else {
                com_.ToString(slot.value, slot.text);
                texts_[i] = slot.text;
            }
            // A look at the user every few reads: they take a fraction of a
            // millisecond each, and a product has dozens.
            constexpr size_t kReadsALook = 4;
            if ((i + 1) % kReadsALook == 0 && i + 1 < fields_.size() && between_) between_();
        }

      private:
        Automation& com_;
        std::span<const std::unique_ptr<const platform::Text>> fields_;
        std::span<FieldValue> slots_;
        std::span<std::wstring_view> texts_;
        const std::function<void()>& between_;
    };
    Reads reads(com, fields, slots, texts, between);
    itemFunctions.CallEach(L"SLIBufferGetValue", platform::CallKind::Method, reads);
}

int16_t AddItemFromProductDatabase(Automation& com, Dispatch& app, std::wstring& partNumber,
                                   std::wstring& vendor, double& quantity) {
    Object f = ItemFunctions(app);
    std::array<Arg, 4> args{Arg::Ref(partNumber), Arg::Ref(vendor), Arg::Ref(quantity),
                            Arg::Val(Variant(int32_t{0}))};
    const Variant result = Invoke(*f, L"AddItemFromProductDatabase", args);
    // Added or not is the sign of Vantora's answer, judged on the answer
    // itself rather than on its 16-bit conversion: -0.4 would round to 0 and
    // report a refused product as added, and an answer beyond 16 bits (1E+10)
    // would end the program after the product went into the quote, so that
    // the user adds it again. Null and text that is no number still raise.
    switch (com.Compare(result, Variant(int16_t{0}))) {
        case platform::Order::Less:
            return -1;
        case platform::Order::Null:
            return com.ToInteger(result);
        default:
            return 0;
    }
}

int16_t GetActiveDocumentIndex(Automation& com, Dispatch& app) {
    Object docs = GetObjectMember(app, L"DocFunctions");
    return com.ToInteger(Invoke(*docs, L"GetActiveDocumentIndex"));
}

Object CreateInstallations(Automation& com) { return com.CreateObject(kInstallationsProgId); }

Variant InstallationCount(Dispatch& installations) { return Get(installations, L"Count"); }

Object FirstInstallation(Dispatch& installations) {
    std::array<Arg, 1> args{Arg::Val(Variant(int16_t{1}))};
    return platform::ToObject(Invoke(installations, L"Item", args));
}

Variant IsRunning(Dispatch& installation) {
    Object app = GetObjectMember(installation, L"Application");
    return Invoke(*app, L"IsRunning");
}

Variant Start(Dispatch& installation) {
    Object app = GetObjectMember(installation, L"Application");
    return Invoke(*app, L"Start");
}

Object GetRunningObject(Dispatch& installation) {
    Object app = GetObjectMember(installation, L"Application");
    Variant running = Invoke(*app, L"GetRunningObject");
    // Nothing is a valid answer: the host did not come up.
    if (Object* o = running.get<Object>()) return std::move(*o);
    return platform::ToObject(std::move(running));
}

}  // namespace host
