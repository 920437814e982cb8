// Skuvane.exe seen from outside: its resources, and how it ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "driver.h"
#include "tests/wine/standin/standin_fixture.h"

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

// The stand-in registered and COM ready for one test; the registry is left
// as it was found.
class WithStandIn {
  public:
    WithStandIn() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CLSID clsid;
        wasRegistered_ = SUCCEEDED(CLSIDFromProgID(L"VantoraBackend.Installations", &clsid));
        ok_ = standin_test::RegisterServer();
    }
    ~WithStandIn() {
        if (!wasRegistered_) standin_test::UnregisterServer();
        CoUninitialize();
    }
    WithStandIn(const WithStandIn&) = delete;
    WithStandIn& operator=(const WithStandIn&) = delete;
    bool ok() const { return ok_; }

  private:
    bool wasRegistered_ = false, ok_ = false;
};

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// With Vantora running the window opens loaded, and every way of closing it
// ends the process at once, as a normal end.
TEST(ExeLifecycle, EveryWayOfClosingTheWindowEndsTheProcess) {
    WithStandIn registered;
    ASSERT_TRUE(registered.ok());
    standin_test::StandIn host;
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

}  // namespace
