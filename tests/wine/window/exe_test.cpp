// Skuvane.exe seen from outside: its resources, how it ends, what a screen
// reader hears of it, and its layout at 144 DPI.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "layout_pixels.h"
#include "platform/win32/com_win.h"
#include "standin/client/driver_win.h"
#include "standin/client/process_win.h"

namespace {

const std::wstring kExe = driver::WindowsPath(SKUVANE_EXE);

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT len = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) ||
        !value) {
        return L"<missing>";
    }
    return value;
}

TEST(ExeResources, VersionResourceNamesTheProgramAndVersionOne) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(kExe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(kExe.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.00");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.00");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Skuvane");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Skuvane");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"Skuvane.exe");

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], 0x409);
    EXPECT_EQ(translation[1], 1200);
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(ExeResources, IconGroupHoldsTheThreeImagesAndTheManifestAsksForV6AndPerMonitorDpi) {
    HMODULE exe = LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(count, 3);
    std::vector<std::tuple<int, int, int>> images;
    for (WORD i = 0; i < count; ++i) {
        IconDirEntry e;
        memcpy(&e, dir + 6 + i * sizeof(IconDirEntry), sizeof(e));
        images.emplace_back(e.width, e.height, e.bitCount);
    }
    EXPECT_EQ(images,
              (std::vector<std::tuple<int, int, int>>{{32, 32, 1}, {32, 32, 4}, {16, 16, 4}}));

    HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
                     SizeofResource(exe, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
    FreeLibrary(exe);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// With Vantora running the window opens loaded, and every way of closing it
// ends the process at once, as a normal end.
TEST(ExeLifecycle, EveryWayOfClosingTheWindowEndsTheProcess) {
    const standin_client::Registration registered;
    ASSERT_TRUE(registered.ok());
    standin_client::StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    // Alt+F4 goes to the frame: Wine's combo box swallows every system key,
    // where Windows' passes it on to the frame the same way.
    const struct {
        const char* way;
        bool toCloseButton;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } ways[] = {{"close box", false, WM_CLOSE, 0, 0},
                {"system menu", false, WM_SYSCOMMAND, SC_CLOSE, 0},
                {"Alt+F4", false, WM_SYSKEYDOWN, VK_F4, 1 << 29},
                {"cmdClose", true, BM_CLICK, 0, 0}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        auto p = driver::Process::Start(kExe);
        HWND w = driver::WaitWindow(p.pid(), L"Skuvane.frmMain", 20000);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(driver::Text(w), L"Skuvane");
        HWND cbo = GetDlgItem(w, app::ControlIdOf(search::kCboProductDatabase));
        EXPECT_FALSE(driver::ComboItems(cbo).empty()) << "loaded before it was shown";
        EXPECT_EQ(driver::Text(GetDlgItem(w, app::ControlIdOf(search::kLblStatus))), L"Ready");
        EXPECT_EQ(FocusOf(w), cbo);
        HWND to = way.toCloseButton ? GetDlgItem(w, app::ControlIdOf(search::kCmdClose)) : w;
        PostMessageW(to, way.message, way.wParam, way.lParam);
        auto code = p.WaitExit(15000);
        ASSERT_TRUE(code) << "still running";
        EXPECT_EQ(*code, 0u);
    }
    EXPECT_TRUE(host.Stop()) << host.error();
}

// Skuvane.exe started against a running stand-in, its window open.
struct Opened {
    Opened() {
        if (!registered.ok() || !host.Start()) return;
        process.emplace(driver::Process::Start(kExe));
        window = driver::WaitWindow(process->pid(), L"Skuvane.frmMain", 20000);
    }
    ~Opened() {
        if (window) PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            EXPECT_EQ(process->WaitExit(15000), 0u);
        }
        EXPECT_TRUE(host.Stop()) << host.error();
    }
    HWND Control(search::ControlId id) const { return GetDlgItem(window, app::ControlIdOf(id)); }

    const standin_client::Registration registered;
    standin_client::StandIn host;
    std::optional<driver::Process> process;
    HWND window = nullptr;
};

// A screen reader asks each input of the running program for its object: it
// hears the input's name, and the role and value that the system's standard
// object gives (for the value box, what was typed).
TEST(ExeAccessibility, ScreenReadersHearEveryInputNamedByItsLabel) {
    Opened exe;
    ASSERT_NE(exe.window, nullptr) << exe.host.error();
    SendMessageW(exe.Control(search::kTxtSearchFor), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"patch cable"));
    const struct {
        search::ControlId id;
        std::wstring name;
        std::wstring value = {};  // none: the standard object's
    } inputs[] = {{search::kCboProductDatabase, L"Product Database to Search"},
                  {search::kCboSearchField, L"Field to Search"},
                  {search::kCboOperator, L"Operator"},
                  {search::kTxtSearchFor, L"Search For", L"patch cable"},
                  {search::kLvwResults, L"Results"},
                  {search::kCmdSearch, L"Search"},
                  {search::kCmdAddToQuote, L"Add selected product(s) to quote"},
                  {search::kCmdClose, L"Close"}};
    VARIANT self;
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    auto text = [&self](IAccessible* acc,
                        HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        win32::Bstr b;
        return (acc->*get)(self, b.out()) == S_OK ? b.str() : L"<none>";
    };
    auto role = [&self](IAccessible* acc) {
        win32::ComVariant r;
        return SUCCEEDED(acc->get_accRole(self, r.get())) && V_VT(r.get()) == VT_I4 ? V_I4(r.get())
                                                                                    : -1;
    };
    for (const auto& in : inputs) {
        SCOPED_TRACE(testing::PrintToString(in.name));
        win32::ComPtr<IAccessible> acc, standard;
        ASSERT_HRESULT_SUCCEEDED(
            AccessibleObjectFromWindow(exe.Control(in.id), OBJID_CLIENT, IID_PPV_ARGS(&acc)));
        ASSERT_HRESULT_SUCCEEDED(
            CreateStdAccessibleObject(exe.Control(in.id), OBJID_CLIENT, IID_PPV_ARGS(&standard)));
        EXPECT_EQ(text(acc.Get(), &IAccessible::get_accName), in.name);
        EXPECT_NE(role(acc.Get()), -1);
        EXPECT_EQ(role(acc.Get()), role(standard.Get()));
        EXPECT_EQ(text(acc.Get(), &IAccessible::get_accValue),
                  in.value.empty() ? text(standard.Get(), &IAccessible::get_accValue) : in.value);
    }
}

// The prefix's screen DPI for the programs started while it lives (each reads
// it as it starts); 96 again at the end, even when the test fails.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi) { Set(dpi); }
    ~ScreenDpi() { Set(USER_DEFAULT_SCREEN_DPI); }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    static void Set(DWORD dpi) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                        sizeof(dpi));
    }
};

// With the screen at 144 DPI, the window's client area and every control are
// half as large again as at 96 (this process sees their pixels as they are),
// and each result column is 250 pixels wide.
TEST(ExeDpi, At144DpiEverythingIsHalfAsLargeAgain) {
    ScreenDpi dpi(144);
    Opened exe;
    ASSERT_NE(exe.window, nullptr) << exe.host.error();
    auto within1 = [](RECT a, RECT b) {
        return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 &&
               std::abs(a.right - b.right) <= 1 && std::abs(a.bottom - b.bottom) <= 1;
    };
    RECT client;
    GetClientRect(exe.window, &client);
    EXPECT_TRUE(within1(client, {0, 0, 816, 482})) << client.right << " x " << client.bottom;
    for (const auto& c : search::kLayout) {
        RECT r = driver::ClientRectIn(exe.Control(c.id), exe.window);
        EXPECT_TRUE(within1(r, Pixels(c, 144)))
            << testing::PrintToString(std::wstring(c.name)) << " at " << r.left << "," << r.top
            << "-" << r.right << "," << r.bottom;
    }
    HWND list = exe.Control(search::kLvwResults);
    const int columns = driver::RemoteListView(list).ColumnCount();
    EXPECT_EQ(columns, 102);
    for (int i = 0; i < columns; ++i) {
        EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0), 250) << "column " << i;
    }
}

}  // namespace
