// A scenario: what the stand-in has and how it behaves, read from a JSON file
// (format in standin/README.md). Every setting has a default, so "{}" is the
// sample databases with one open quote and one installation that starts.
#pragma once

#include <string>
#include <vector>

#include "standin/model/com_win.h"
#include "standin/model/objects_win.h"

namespace standin {

struct Scenario {
    std::wstring dataDir;      // empty: DefaultDataDirectory()
    bool allDatabases = true;  // every database of dataDir, else only these:
    std::vector<std::wstring> databases;
    std::wstring generateName;  // a generated database, when count > 0
    int generateCount = 0;
    std::vector<std::wstring> documents = {L"Quote 1"};  // the first is active
    InstallSettings install;
    CallSettings calls;
    std::wstring reportPath;  // outstanding references at exit, appended
};

bool ReadScenario(const std::wstring& path, Scenario* out, std::wstring* error);
bool ParseScenario(std::string_view utf8, Scenario* out, std::wstring* error);

// Loads the scenario's databases and documents into state.
bool LoadState(const Scenario& scenario, AppState* state, std::wstring* error);

// Appends text to a file, creating it (UTF-8).
void AppendToFile(const std::wstring& path, std::wstring_view text);

}  // namespace standin
