#include "standin/app/register_win.h"

#include <windows.h>

#include "standin/model/objects_win.h"

namespace standin {

namespace {

struct ClassEntry {
    const wchar_t* progId;
    const CLSID* clsid;
    const wchar_t* description;
    bool localServer;  // started by COM; the others are only found running
};

const ClassEntry kClasses[] = {
    {L"Vantora.Application", &CLSID_VantoraApplication, L"Vantora Application", false},
    {L"VantoraBackend.Installations", &CLSID_VantoraInstallations, L"Vantora Installations", true},
    {L"VantoraStandIn.Control", &CLSID_StandInControl, L"Vantora stand-in control", false},
};

std::wstring GuidText(const CLSID& id) {
    wchar_t buf[40];
    StringFromGUID2(id, buf, 40);
    return buf;
}

bool SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    return RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                           DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteClasses(HKEY root, const std::wstring& exePath) {
    const std::wstring classes = L"Software\\Classes\\";
    bool ok = true;
    for (const ClassEntry& c : kClasses) {
        const std::wstring clsidKey = classes + L"CLSID\\" + GuidText(*c.clsid);
        ok = ok && SetValue(root, classes + c.progId, nullptr, c.description) &&
             SetValue(root, classes + c.progId + L"\\CLSID", nullptr, GuidText(*c.clsid)) &&
             SetValue(root, clsidKey, nullptr, c.description) &&
             SetValue(root, clsidKey + L"\\ProgID", nullptr, c.progId) &&
             (!c.localServer ||
              SetValue(root, clsidKey + L"\\LocalServer32", nullptr, L"\"" + exePath + L"\""));
    }
    return ok;
}

void DeleteClasses(HKEY root) {
    const std::wstring classes = L"Software\\Classes\\";
    for (const ClassEntry& c : kClasses) {
        RegDeleteTreeW(root, (classes + c.progId).c_str());
        RegDeleteTreeW(root, (classes + L"CLSID\\" + GuidText(*c.clsid)).c_str());
    }
}

}  // namespace

bool RegisterServer(const std::wstring& exePath) {
    // Windows merges the user's classes into HKEY_CLASSES_ROOT; Wine's COM
    // reads only the machine's, which a Wine prefix may write. Without rights
    // there (Windows, no admin) the user's registration is the one that counts.
    const bool user = WriteClasses(HKEY_CURRENT_USER, exePath);
    const bool machine = WriteClasses(HKEY_LOCAL_MACHINE, exePath);
    return user || machine;
}

void UnregisterServer() {
    DeleteClasses(HKEY_CURRENT_USER);
    DeleteClasses(HKEY_LOCAL_MACHINE);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

std::wstring RegisteredScenario() {
    wchar_t buf[MAX_PATH * 2];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kScenarioValue, RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    return buf;
}

}  // namespace standin
