#include "standin/model/scenario_win.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "standin/model/values_win.h"

namespace standin {

namespace {

using nlohmann::json;

bool Text(const json& j, const char* key, std::wstring* out) {
    const auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_string()) return false;
    *out = Wide(it->get<std::string>());
    return true;
}

template <typename T>
bool Number(const json& j, const char* key, T* out) {
    const auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_number()) return false;
    *out = it->get<T>();
    return true;
}

bool Flag(const json& j, const char* key, bool* out) {
    const auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_boolean()) return false;
    *out = it->get<bool>();
    return true;
}

bool TextList(const json& j, const char* key, std::vector<std::wstring>* out) {
    const auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_array()) return false;
    out->clear();
    for (const auto& e : *it) {
        if (!e.is_string()) return false;
        out->push_back(Wide(e.get<std::string>()));
    }
    return true;
}

// An error code as a number or as hex text ("0x80040201").
bool Code(const json& j, const char* key, HRESULT* out) {
    const auto it = j.find(key);
    if (it == j.end()) return true;
    if (it->is_number()) {
        *out = HRESULT(it->get<int64_t>());
        return true;
    }
    if (!it->is_string()) return false;
    try {
        *out = HRESULT(std::stoul(it->get<std::string>(), nullptr, 0));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// The ways a busy host turns a call away, by their names in the scenario.
struct Refusal {
    const char* name;
    HRESULT hr;
};
constexpr Refusal kRefusals[] = {{"retrylater", RPC_E_SERVERCALL_RETRYLATER},
                                 {"rejected", RPC_E_CALL_REJECTED}};

bool RefusalCode(const json& j, HRESULT* out) {
    const auto it = j.find("code");
    if (it == j.end()) return true;
    for (const Refusal& r : kRefusals) {
        if (it->is_string() && it->get<std::string>() == r.name) {
            *out = r.hr;
            return true;
        }
    }
    return false;
}

// The keys that make calls misbehave; each takes one object or a list of them.
struct FaultKey {
    const char* key;
    Fault::Kind kind;
};
constexpr FaultKey kFaultKeys[] = {{"error", Fault::Kind::Raise},
                                   {"busy", Fault::Kind::Busy},
                                   {"slow", Fault::Kind::Slow},
                                   {"exit", Fault::Kind::Exit}};

bool Faults(const json& j, const FaultKey& k, std::vector<Fault>* out) {
    const auto it = j.find(k.key);
    if (it == j.end()) return true;
    const json list = it->is_array() ? *it : json::array({*it});
    for (const json& e : list) {
        Fault f;
        f.kind = k.kind;
        // A busy host's code names its refusal; an error's is the error's own.
        const bool busy = k.kind == Fault::Kind::Busy;
        if (!e.is_object() || !Text(e, "member", &f.member) || !Number(e, "call", &f.call) ||
            !Number(e, "ms", &f.ms) || !Text(e, "source", &f.error.source) ||
            !Text(e, "description", &f.error.description) ||
            !(busy ? RefusalCode(e, &f.refusal) : Code(e, "code", &f.error.scode))) {
            return false;
        }
        out->push_back(std::move(f));
    }
    return true;
}

}  // namespace

bool ReadScenario(const std::wstring& path, Scenario* out, std::wstring* error) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        *error = path + L": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseScenario(text.str(), out, error)) {
        *error = path + L": " + *error;
        return false;
    }
    out->install.scenarioPath = path;
    return true;
}

bool ParseScenario(std::string_view utf8, Scenario* out, std::wstring* error) {
    const json j = json::parse(utf8, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        *error = L"not a JSON object";
        return false;
    }
    Scenario& s = *out;
    const char* bad = nullptr;
    if (!Text(j, "data", &s.dataDir)) bad = "data";
    if (!TextList(j, "databases", &s.databases)) bad = "databases";
    if (j.contains("databases")) s.allDatabases = false;
    if (!TextList(j, "documents", &s.documents)) bad = "documents";
    if (!Number(j, "installations", &s.install.count)) bad = "installations";
    if (!Number(j, "delay_ms", &s.calls.delayMs)) bad = "delay_ms";
    if (!Text(j, "log", &s.calls.logPath)) bad = "log";
    if (!Text(j, "report", &s.reportPath)) bad = "report";
    if (const auto it = j.find("is_running"); it != j.end()) {
        if (it->is_boolean()) {
            s.install.isRunning = it->get<bool>() ? 1 : 0;
        } else {
            bad = "is_running";
        }
    }
    if (const auto it = j.find("start"); it != j.end()) {
        if (!it->is_object() || !Number(*it, "result", &s.install.startResult) ||
            !Flag(*it, "launches", &s.install.startLaunches) ||
            !Number(*it, "timeout_ms", &s.install.startTimeoutMs)) {
            bad = "start";
        }
    }
    if (const auto it = j.find("generate"); it != j.end()) {
        if (!it->is_object() || !Text(*it, "name", &s.generateName) ||
            !Number(*it, "count", &s.generateCount)) {
            bad = "generate";
        }
    }
    for (const FaultKey& k : kFaultKeys) {
        if (!Faults(j, k, &s.calls.faults)) bad = k.key;
    }
    if (const auto it = j.find("values"); it != j.end()) {
        auto table = std::make_shared<ValueTable>();
        if (!table->Parse(it->dump(), error)) return false;
        s.calls.values = std::move(table);
    }
    if (bad) {
        *error = L"the setting \"" + Wide(bad) + L"\" has the wrong form";
        return false;
    }
    return true;
}

bool LoadState(const Scenario& scenario, AppState* state, std::wstring* error) {
    const std::wstring dir = scenario.dataDir.empty() ? DefaultDataDirectory() : scenario.dataDir;
    if ((scenario.allDatabases || !scenario.databases.empty()) &&
        !LoadDatabases(&state->store, dir, scenario.databases, error)) {
        return false;
    }
    if (scenario.generateCount > 0 &&
        !state->store.Generate(scenario.generateName.empty() ? L"Generated" : scenario.generateName,
                               scenario.generateCount)) {
        *error = L"a database can only be generated from loaded products";
        return false;
    }
    state->documents.clear();
    for (const std::wstring& name : scenario.documents) state->documents.push_back({name, {}});
    state->active = state->documents.empty() ? -1 : 0;
    return true;
}

void AppendToFile(const std::wstring& path, std::wstring_view text) {
    if (path.empty()) return;
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::app);
    out << Utf8(text);
}

}  // namespace standin
