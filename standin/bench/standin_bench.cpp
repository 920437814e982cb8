// Per-call cost of the stand-in's object model hosted in this process, the way
// a benchmark of the program sees it: 32,766 generated products, every row
// copied to the SLIBuffer and its 66 fields read by name.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "standin/client/calls_win.h"
#include "standin/model/com_win.h"
#include "standin/model/fields.h"
#include "standin/model/objects_win.h"

using standin_client::Bstr;
using standin_client::Call;
using standin_client::ComPtr;
using standin_client::ComVariant;
using Clock = std::chrono::steady_clock;

namespace {

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    constexpr int kRows = 32766;
    int rc = 1;
    {
        standin::InProcessHost host;
        std::wstring error;
        if (!host.LoadDirectory(standin::DefaultDataDirectory(), &error)) {
            std::fprintf(stderr, "standin_bench: %s\n", standin::Utf8(error).c_str());
            return 1;
        }
        const auto g0 = Clock::now();
        host.Generate(L"Bench", kRows);
        host.KeepOnly(L"Bench");
        const double generateMs = Micros(Clock::now() - g0) / 1000;
        host.Register();

        const ComPtr<IDispatch> app = standin_client::Running(standin::CLSID_VantoraApplication);
        if (!app) {
            std::fprintf(stderr, "standin_bench: the application is not in the table\n");
            return 1;
        }
        ComVariant items;
        Call(app.Get(), L"ItemFunctions", {}, items.get());
        IDispatch* fn = V_DISPATCH(items.get());

        // Find: every product, then a selective text search.
        Bstr db(L"Bench"), field(L"ManufacturerPartNumber"), all(L"Begins with"), empty(L"");
        Bstr contains(L"Contains"), some(L"-g0123");
        VARIANT args[4];
        const auto find = [&](BSTR op, BSTR value, ComVariant* found) {
            BSTR a[4] = {db.get(), field.get(), op, value};
            for (int i = 0; i < 4; ++i) {  // reversed, by reference
                V_VT(&args[3 - i]) = VT_BYREF | VT_BSTR;
                V_BSTRREF(&args[3 - i]) = &a[i];
            }
            const auto t = Clock::now();
            Call(fn, L"FindAndCopyProductsIntoMLIBuffer", args, found->get());
            return Micros(Clock::now() - t) / 1000;
        };
        ComVariant found;
        const double containsMs = find(contains.get(), some.get(), &found);
        const long someFound = V_I4(found.get());
        const double allMs = find(all.get(), empty.get(), &found);

        // Every row: copy, then 66 reads by name.
        std::vector<Bstr> names;  // the caller's by-value strings, made beforehand
        for (const standin::FieldInfo& f : standin::kFields) names.emplace_back(f.name);
        ComVariant value;
        long calls = 0, failed = 0, emptyValues = 0;
        const auto t0 = Clock::now();
        for (short row = 1; row <= kRows; ++row) {
            VARIANT r;
            V_VT(&r) = VT_BYREF | VT_I2;
            V_I2REF(&r) = &row;
            failed += FAILED(Call(fn, L"SLIBufferCopyFromMLIBuffer", {&r, 1}, value.get()));
            ++calls;
            for (const Bstr& name : names) {
                VARIANT a;
                V_VT(&a) = VT_BSTR;
                V_BSTR(&a) = name.get();
                failed += FAILED(Call(fn, L"SLIBufferGetValue", {&a, 1}, value.get()));
                emptyValues += V_VT(value.get()) == VT_EMPTY;
                ++calls;
            }
        }
        const double perCall = Micros(Clock::now() - t0) / double(calls);

        std::printf("standin_bench: %d generated products (%.0f ms to generate)\n", kRows,
                    generateMs);
        std::printf("  find, Contains (%ld found): %.2f ms\n", someFound, containsMs);
        std::printf("  find, all %ld rows: %.2f ms\n", V_I4(found.get()), allMs);
        std::printf("  per call, name lookup + invoke, %ld calls: %.3f us (target < 5 us)\n", calls,
                    perCall);
        // A figure from failing calls would measure nothing.
        if (failed || V_I4(found.get()) != kRows || emptyValues == calls - kRows) {
            std::fprintf(stderr, "standin_bench: %ld of %ld calls failed, %ld values empty\n",
                         failed, calls, emptyValues);
            rc = 1;
        } else {
            rc = perCall < 5 ? 0 : 1;
        }
        value = ComVariant();
        items = ComVariant();
        host.Revoke();
    }
    CoUninitialize();
    return rc;
}
