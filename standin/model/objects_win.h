// The stand-in's automation objects: the application with its databases,
// buffers and quote documents; the installation registry; the test control.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/com_win.h"
#include "standin/model/store.h"

namespace standin {

using win32::ComPtr;

// Fixed class ids; the ProgIDs map to them in the registry.
extern const CLSID CLSID_VantoraApplication;    // Vantora.Application
extern const CLSID CLSID_VantoraInstallations;  // VantoraBackend.Installations
extern const CLSID CLSID_StandInControl;        // VantoraStandIn.Control

struct Line {
    const Database* db;
    uint32_t product;
    double quantity;
};

struct Document {
    std::wstring name;
    std::vector<Line> lines;
};

// What the application object serves. One per application; its objects share it.
struct AppState {
    Store store;
    std::vector<Document> documents;
    int active = -1;  // index into documents; -1: none open

    // MLIBuffer: the matches of the last find; SLIBuffer: the row last copied.
    const Database* mliDatabase = nullptr;
    std::vector<uint32_t> mli;
    const Database* sliDatabase = nullptr;
    uint32_t sli = 0;

    std::function<void()> changed;  // a line was added

    // Adds a line to the active document: its index, -1 with no document open,
    // -2 when the vendor has no such product.
    long AddLine(std::wstring_view partNumber, std::wstring_view vendor, double quantity);
};

// Writes a field value as the automation type of its field (EMPTY, NULL, BSTR,
// CY, R8, I4 or DATE).
void ValueToVariant(const Store& store, ValueId id, VARIANT* out);

ComPtr<IDispatch> CreateApplication(const std::shared_ptr<AppState>& state);

// Settings of the installation registry.
struct InstallSettings {
    int count = 1;
    long startResult = 0;       // what Start returns
    bool startLaunches = true;  // whether Start really starts the application
    int isRunning = -1;         // -1: ask the Running Object Table; 0/1: forced answer
    DWORD startTimeoutMs = 20000;
    std::wstring exePath;       // the application to start, in /app mode
    std::wstring scenarioPath;  // passed on to it
};
// Called as the last installation object goes (the server may then end).
using LastObjectGone = void (*)();
ComPtr<IDispatch> CreateInstallations(std::shared_ptr<const InstallSettings> settings,
                                      LastObjectGone gone);
// True while installation objects are alive.
bool InstallationObjectsAlive();

// Test control of a running application; not logged and not counted.
ComPtr<IDispatch> CreateControl(std::shared_ptr<AppState> state, std::function<void()> quit);

// A registration in the Running Object Table of this process, revoked on reset.
class RotEntry {
  public:
    RotEntry() = default;
    RotEntry(const RotEntry&) = delete;
    RotEntry& operator=(const RotEntry&) = delete;
    ~RotEntry() { Revoke(); }
    HRESULT Register(IUnknown* object, REFCLSID clsid);
    void Revoke();

  private:
    DWORD cookie_ = 0;
};

// Hosts the application object in the calling process, registered as the
// running Vantora.Application, so that a host call costs about a microsecond.
// COM must be initialised on the calling thread.
class InProcessHost {
  public:
    InProcessHost();
    ~InProcessHost();
    // Loads every *.json database in dir (sorted by file name).
    bool LoadDirectory(const std::wstring& dir, std::wstring* error);
    // Adds a database of `count` products derived from the loaded ones.
    bool Generate(const std::wstring& name, int count);
    // Keeps only the generated/loaded database of that name.
    void KeepOnly(const std::wstring& name);
    HRESULT Register();
    void Revoke();
    AppState& state() { return *state_; }
    IDispatch* application() { return app_.Get(); }

  private:
    std::shared_ptr<AppState> state_;
    ComPtr<IDispatch> app_;
    RotEntry rot_;
};

// Loads the *.json databases of dir, in file-name order, or only those named.
bool LoadDatabases(Store* store, const std::wstring& dir, const std::vector<std::wstring>& only,
                   std::wstring* error);
// The shipped sample data: "data" next to the exe, else the source tree's.
std::wstring DefaultDataDirectory();

}  // namespace standin
