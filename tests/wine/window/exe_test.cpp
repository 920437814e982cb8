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

bool VantoraRegistered() {
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(L"VantoraBackend.Installations", &clsid));
}

// Registers the stand-in (or takes it out of the registry) for one test, and
// leaves the registry as it found it.
class VantoraRegistration {
  public:
    explicit VantoraRegistration(bool registered) : wasRegistered_(VantoraRegistered()) {
        ok_ = registered ? standin_test::RegisterServer()
                         : !wasRegistered_ || standin_test::UnregisterServer();
        set_ = registered;
    }
    ~VantoraRegistration() {
        if (wasRegistered_ != set_) {
            wasRegistered_ ? standin_test::RegisterServer() : standin_test::UnregisterServer();
        }
    }
    VantoraRegistration(const VantoraRegistration&) = delete;
    VantoraRegistration& operator=(const VantoraRegistration&) = delete;
    bool ok() const { return ok_; }

  private:
    bool wasRegistered_, set_, ok_;
};

// The test's own COM apartment, for reaching the stand-in.
struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// Without Vantora registered at all, the load cannot reach it: whatever the
// program reports, it ends without its window ever having been shown.
TEST(ExeLifecycle, WithoutVantoraTheLoadReportsAndEndsWithoutShowingTheWindow) {
    VantoraRegistration none(false);
    ASSERT_TRUE(none.ok());
    auto p = driver::Process::Start(kExe);
    ASSERT_TRUE(p.pid());
    std::vector<std::wstring> boxes;
    bool windowShown = false;
    for (int i = 0; i < 10 && p.Running(); ++i) {
        auto box = driver::WaitMessageBox(p.pid(), 15000);
        windowShown |= !driver::WindowsOf(p.pid(), L"Skuvane.frmMain", true).empty();
        if (!box) break;
        boxes.push_back(box->caption + L"|" + box->text);
        driver::Press(box->hwnd, IDOK);
        // The box must go before the next one is looked for.
        for (int j = 0; j < 100 && IsWindow(box->hwnd); ++j) Sleep(20);
    }
    auto code = p.WaitExit(15000);
    ASSERT_TRUE(code) << "still running";
    EXPECT_FALSE(windowShown);
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(*code, 0u);
    // An untrapped error (the installation registry cannot be created) is
    // reported by name.
    EXPECT_EQ(boxes.back().rfind(L"Skuvane|Run-time error '429':\n\n", 0), 0u) << boxes.back();
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
    ComApartment com;
    VantoraRegistration registered(true);
    ASSERT_TRUE(registered.ok());
    standin_test::StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    enum Way { kCloseBox, kSystemMenu, kAltF4, kCloseButton };
    for (Way way : {kCloseBox, kSystemMenu, kAltF4, kCloseButton}) {
        SCOPED_TRACE(way);
        auto p = driver::Process::Start(kExe);
        HWND w = driver::WaitWindow(p.pid(), L"Skuvane.frmMain", 20000);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(driver::Text(w), L"Skuvane");
        HWND cbo = GetDlgItem(w, app::ControlIdOf(search::kCboProductDatabase));
        EXPECT_FALSE(driver::ComboItems(cbo).empty()) << "loaded before it was shown";
        EXPECT_EQ(driver::Text(GetDlgItem(w, app::ControlIdOf(search::kLblStatus))), L"Ready");
        EXPECT_EQ(FocusOf(w), cbo);
        switch (way) {
            case kCloseBox:
                PostMessageW(w, WM_CLOSE, 0, 0);
                break;
            case kSystemMenu:
                PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case kAltF4:
                // To the frame: Wine's combo box swallows every system key,
                // where Windows' passes Alt+F4 on to the frame the same way.
                PostMessageW(w, WM_SYSKEYDOWN, VK_F4, 1 << 29);
                break;
            case kCloseButton:
                driver::Press(w, 114);
                break;  // cmdClose
        }
        auto code = p.WaitExit(15000);
        ASSERT_TRUE(code) << "still running";
        EXPECT_EQ(*code, 0u);
    }
    EXPECT_TRUE(host.Stop()) << host.error();
}

}  // namespace
