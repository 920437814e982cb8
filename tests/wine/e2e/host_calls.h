// The host's side of an end-to-end test: the calls the stand-in saw, and
// the calls a search must make, written out from the field catalogue.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "standin/client/process_win.h"
#include "standin/model/text_win.h"
#include "tests/expected/catalogue.h"

namespace e2e {

// The calls the host carried out, without their results: not those it
// turned away as busy (with either code).
inline std::vector<std::string> Calls(const standin_client::StandIn& host) {
    std::vector<std::string> calls;
    for (const std::string& line : host.LogLines())
        if (!line.ends_with(" -> failed 0x8001010A") && !line.ends_with(" -> failed 0x80010001"))
            calls.push_back(line.substr(0, line.find(" -> ")));
    return calls;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines) {
        if (l.find(part) != std::string::npos) return true;
    }
    return false;
}

inline std::string Quoted(std::wstring_view s) {
    std::string out = "\"";
    for (char c : standin::Utf8(s)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// One product read: copied into the single-line buffer, then 66 fields
// through one lookup of ItemFunctions.
inline std::vector<std::string> RowReads(int row) {
    std::vector<std::string> calls = {
        "Application.ItemFunctions()",
        "ItemFunctions.SLIBufferCopyFromMLIBuffer(&I2:" + std::to_string(row) + ")",
        "Application.ItemFunctions()"};
    for (std::wstring_view field : expected::kReadOrder) {
        calls.push_back("ItemFunctions.SLIBufferGetValue(BSTR:" + Quoted(field) + ")");
    }
    return calls;
}

inline std::vector<std::string> DatabaseSearch(std::wstring_view db, std::wstring_view field,
                                               std::wstring_view op, std::wstring_view value,
                                               int rows) {
    std::vector<std::string> calls = {
        "Application.ItemFunctions()", "ItemFunctions.MLIBufferClear()",
        "Application.ItemFunctions()",
        "ItemFunctions.FindAndCopyProductsIntoMLIBuffer(&BSTR:" + Quoted(db) + ", &BSTR:" +
            Quoted(field) + ", &BSTR:" + Quoted(op) + ", &BSTR:" + Quoted(value) + ")"};
    if (rows > 0) {
        Append(calls, {"Application.ItemFunctions()", "ItemFunctions.MLIBufferCount()"});
        for (int r = 1; r <= rows; ++r) Append(calls, RowReads(r));
    }
    return calls;
}

inline std::vector<std::string> DatabaseName(int index) {
    return {"Application.ProductDatabases()",
            "ProductDatabases.Item(&I2:" + std::to_string(index) + ")", "ProductDatabase.Name()"};
}

// Stops the host and checks that no client kept a reference to its objects.
inline void ExpectNoReferencesLeft(standin_client::StandIn& host, bool registryUsed = false) {
    EXPECT_EQ(host.Outstanding(), 0) << "references still held while the host runs";
    host.Stop();
    std::vector<std::string> sections = {"[application]"};
    if (registryUsed) sections.emplace_back("[installations]");
    for (const std::string& section : sections) {
        // Each of the stand-in's processes writes its part as it ends.
        host.WaitForReport(section, 10000);
        EXPECT_NE(host.Report().find(section + "\ntotal 0\n"), std::string::npos) << host.Report();
    }
}

}  // namespace e2e
