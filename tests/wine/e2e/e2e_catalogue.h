// What the result list must show, written out independently of the program's
// own table: the 102 column headers with the host field behind each, and the
// order in which one product's fields are read.
#pragma once

#include <array>
#include <string_view>

namespace e2e {

struct Column {
    std::wstring_view header;  // trailing spaces are part of it
    std::wstring_view field;   // empty: the column never has a value
};

extern const std::array<Column, 102> kColumns;
extern const std::array<std::wstring_view, 66> kReadOrder;

}  // namespace e2e
