// Product databases held compactly: every distinct field value is stored once
// in a pool, and a product is 66 indexes into it. Loading is from JSON files
// (format in standin/README.md); a large database can also be generated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "standin/model/fields.h"

namespace standin {

enum class ValueKind : uint8_t { Empty, Null, Text, Currency, Double, Long, Date };

struct Value {
    ValueKind kind = ValueKind::Empty;
    bool numeric = false;            // number holds a comparable number
    double number = 0;               // the number, the date serial, or the text read as a number
    int64_t cy = 0;                  // currency, in ten-thousandths
    uint32_t text = 0, textLen = 0;  // text form, in the pool
    uint32_t folded = 0, foldedLen = 0;  // lower-case text form, for comparisons
};

using ValueId = uint32_t;
constexpr ValueId kEmptyValue = 0;
constexpr ValueId kNullValue = 1;

struct Product {
    ValueId fields[kFieldCount];
};

struct Database {
    std::wstring name;
    std::vector<Product> products;
};

// Lower-cases text the way the comparisons do (the system's rules on Windows).
std::wstring FoldCase(std::wstring_view s);
// Reads "12", "-3.5", "1e3" (whole text, invariant notation); false otherwise.
bool ParseNumber(std::wstring_view s, double* out);
// Reads "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS]" as an automation date serial.
bool ParseDate(std::wstring_view s, double* out);

class Store {
  public:
    Store();

    // Loads one JSON database file; on failure returns false and says why.
    bool LoadFile(const std::wstring& path, std::wstring* error);
    // Loads a JSON database from its text (UTF-8).
    bool LoadJson(std::string_view utf8, std::wstring* error);
    // Appends a database of `count` products derived from the loaded ones, with
    // unique part numbers and varied prices. Needs at least one product loaded.
    bool Generate(const std::wstring& name, int count);
    // Drops every database but the one of that name (before anything is served).
    void KeepOnly(std::wstring_view name);

    const std::vector<Database>& databases() const { return databases_; }
    const Database* FindDatabase(std::wstring_view name) const;
    const Value& value(ValueId id) const { return values_[id]; }
    std::wstring_view Text(const Value& v) const { return {pool_.data() + v.text, v.textLen}; }
    std::wstring_view Folded(const Value& v) const {
        return {pool_.data() + v.folded, v.foldedLen};
    }

    // The database and product index of the product with that manufacturer
    // part number and vendor (case ignored); false when there is none.
    bool FindProduct(std::wstring_view partNumber, std::wstring_view vendor, const Database** db,
                     uint32_t* index) const;

  private:
    ValueId Intern(ValueKind kind, std::wstring_view text, double number, int64_t cy);
    ValueId FromText(FieldType type, std::wstring_view text, std::wstring* error);

    std::vector<Database> databases_;
    std::vector<Value> values_;
    std::vector<wchar_t> pool_;
    std::vector<uint32_t> buckets_;  // value index + 1, 0 = free (open addressing)
};

// The nine search operators, by the words the host takes.
enum class Operator {
    Equal,
    NotEqual,
    Greater,
    Less,
    GreaterEqual,
    LessEqual,
    BeginsWith,
    Contains,
    NotContains
};
bool ParseOperator(std::wstring_view words, Operator* op);

// Appends to `matches` the index of every product of `db` whose field matches,
// in database order. Text comparisons ignore case; comparisons are numeric when
// both sides are numbers (dates against "YYYY-MM-DD").
void FindProducts(const Store& store, const Database& db, int field, Operator op,
                  std::wstring_view value, std::vector<uint32_t>* matches);

}  // namespace standin
