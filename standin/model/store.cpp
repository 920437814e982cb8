#include "standin/model/store.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "standin/model/text_win.h"

namespace standin {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int* y, unsigned* m, unsigned* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = int(int64_t(yoe) + era * 400 + (*m <= 2));
}

// Automation dates count days from 1899-12-30.
const int64_t kDateEpoch = DaysFromCivil(1899, 12, 30);

std::wstring Ascii(std::string_view s) { return std::wstring(s.begin(), s.end()); }

std::wstring NumberText(double d) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, d);
    return Ascii(std::string_view(buf, r.ptr - buf));
}

std::wstring CurrencyText(int64_t cy) {
    char buf[40];
    const int64_t whole = cy / 10000, frac = std::llabs(cy % 10000);
    int n = std::snprintf(buf, sizeof buf, "%s%lld", cy < 0 && whole == 0 ? "-" : "",
                          static_cast<long long>(whole));
    if (frac) {
        n += std::snprintf(buf + n, sizeof buf - n, ".%04lld", static_cast<long long>(frac));
        while (buf[n - 1] == '0') --n;
    }
    return Ascii(std::string_view(buf, n));
}

std::wstring DateText(double serial) {
    int y;
    unsigned m, d;
    const double day = std::floor(serial);
    CivilFromDays(int64_t(day) + kDateEpoch, &y, &m, &d);
    char buf[40];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
    const int secs = int(std::lround((serial - day) * 86400));
    if (secs)
        n += std::snprintf(buf + n, sizeof buf - n, "T%02d:%02d:%02d", secs / 3600, secs / 60 % 60,
                           secs % 60);
    return Ascii(std::string_view(buf, n));
}

bool Digits(std::wstring_view s, size_t at, size_t n, int* out) {
    if (at + n > s.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < L'0' || s[i] > L'9') return false;
        v = v * 10 + (s[i] - L'0');
    }
    *out = v;
    return true;
}

}  // namespace

std::wstring FoldCase(std::wstring_view s) {
    std::wstring out(s);
    if (!out.empty()) {
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, s.data(), int(s.size()), out.data(),
                      int(out.size()), nullptr, nullptr, 0);
    }
    return out;
}

bool ParseNumber(std::wstring_view s, double* out) {
    char buf[64];
    if (s.empty() || s.size() >= sizeof buf) return false;
    size_t n = 0;
    for (wchar_t c : s) {
        if (c > 0x7F) return false;
        buf[n++] = char(c);
    }
    const char* begin = buf + (buf[0] == '+' ? 1 : 0);
    auto r = std::from_chars(begin, buf + n, *out);
    return r.ec == std::errc() && r.ptr == buf + n && std::isfinite(*out);
}

bool ParseDate(std::wstring_view s, double* out) {
    int y, m, d, hh = 0, mm = 0, ss = 0;
    if (!Digits(s, 0, 4, &y) || s.size() < 10 || s[4] != L'-' || !Digits(s, 5, 2, &m) ||
        s[7] != L'-' || !Digits(s, 8, 2, &d) || m < 1 || m > 12 || d < 1 || d > 31) {
        return false;
    }
    if (s.size() > 10) {
        if ((s[10] != L'T' && s[10] != L' ') || !Digits(s, 11, 2, &hh) || s.size() < 16 ||
            s[13] != L':' || !Digits(s, 14, 2, &mm)) {
            return false;
        }
        if (s.size() > 16 && (s.size() != 19 || s[16] != L':' || !Digits(s, 17, 2, &ss))) {
            return false;
        }
    }
    *out = double(DaysFromCivil(y, unsigned(m), unsigned(d)) - kDateEpoch) +
           (hh * 3600 + mm * 60 + ss) / 86400.0;
    return true;
}

Store::Store() {
    // Ids 0 and 1 are the empty and the null value.
    values_.resize(2);
    values_[kNullValue].kind = ValueKind::Null;
    buckets_.assign(1024, 0);
}

ValueId Store::Intern(ValueKind kind, std::wstring_view text, double number, int64_t cy) {
    uint32_t h = 2166136261u ^ uint32_t(kind);
    for (wchar_t c : text) h = (h ^ uint32_t(c)) * 16777619u;
    const uint32_t mask = uint32_t(buckets_.size() - 1);
    uint32_t slot = h & mask;
    for (; buckets_[slot]; slot = (slot + 1) & mask) {
        const Value& v = values_[buckets_[slot] - 1];
        if (v.kind == kind && Text(v) == text) return buckets_[slot] - 1;
    }
    Value v;
    v.kind = kind;
    v.cy = cy;
    v.numeric = kind != ValueKind::Text || ParseNumber(text, &number);
    v.number = v.numeric ? number : 0;
    v.text = uint32_t(pool_.size());
    v.textLen = uint32_t(text.size());
    pool_.insert(pool_.end(), text.begin(), text.end());
    const std::wstring folded = FoldCase(text);
    if (folded == text) {
        v.folded = v.text;
    } else {
        v.folded = uint32_t(pool_.size());
        pool_.insert(pool_.end(), folded.begin(), folded.end());
    }
    v.foldedLen = uint32_t(folded.size());
    values_.push_back(v);
    const ValueId id = ValueId(values_.size() - 1);
    buckets_[slot] = id + 1;
    if (values_.size() * 2 > buckets_.size()) {
        // Grow and rehash by the same hash.
        std::vector<uint32_t> old(buckets_.size() * 2, 0);
        old.swap(buckets_);
        const uint32_t m2 = uint32_t(buckets_.size() - 1);
        for (uint32_t b : old) {
            if (!b) continue;
            const Value& e = values_[b - 1];
            uint32_t eh = 2166136261u ^ uint32_t(e.kind);
            for (wchar_t c : Text(e)) eh = (eh ^ uint32_t(c)) * 16777619u;
            uint32_t s = eh & m2;
            while (buckets_[s]) s = (s + 1) & m2;
            buckets_[s] = b;
        }
    }
    return id;
}

ValueId Store::FromText(FieldType type, std::wstring_view text, std::wstring* error) {
    if (text.empty()) return kEmptyValue;
    double d = 0;
    switch (type) {
        case FieldType::Text:
            return Intern(ValueKind::Text, text, 0, 0);
        case FieldType::Date:
            if (!ParseDate(text, &d)) break;
            return Intern(ValueKind::Date, DateText(d), d, 0);
        case FieldType::Currency: {
            if (!ParseNumber(text, &d)) break;
            const int64_t cy = std::llround(d * 10000);
            return Intern(ValueKind::Currency, CurrencyText(cy), double(cy) / 10000, cy);
        }
        case FieldType::Double:
            if (!ParseNumber(text, &d)) break;
            return Intern(ValueKind::Double, NumberText(d), d, 0);
        case FieldType::Long:
            if (!ParseNumber(text, &d) || d != std::floor(d) || std::fabs(d) > 2147483647.0) break;
            return Intern(ValueKind::Long, NumberText(d), d, 0);
    }
    *error = L"\"" + std::wstring(text) + L"\" is not a valid value for this field";
    return kEmptyValue;
}

bool Store::LoadFile(const std::wstring& path, std::wstring* error) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        *error = path + L": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!LoadJson(text.str(), error)) {
        *error = path + L": " + *error;
        return false;
    }
    return true;
}

bool Store::LoadJson(std::string_view utf8, std::wstring* error) {
    const nlohmann::json doc = nlohmann::json::parse(utf8, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        *error = L"not a JSON object";
        return false;
    }
    const auto name = doc.find("name");
    const auto products = doc.find("products");
    if (name == doc.end() || !name->is_string() || products == doc.end() || !products->is_array()) {
        *error = L"needs \"name\" (text) and \"products\" (a list)";
        return false;
    }
    Database db;
    db.name = Wide(name->get<std::string>());
    db.products.reserve(products->size());
    for (const auto& item : *products) {
        if (!item.is_object()) {
            *error = L"product " + std::to_wstring(db.products.size() + 1) + L" is not an object";
            return false;
        }
        Product p;
        std::fill(std::begin(p.fields), std::end(p.fields), kEmptyValue);
        for (const auto& [key, value] : item.items()) {
            const std::wstring fieldName = Wide(key);
            const int f = FindField(fieldName);
            std::wstring why;
            if (f < 0) {
                why = L"unknown field";
            } else if (value.is_null()) {
                p.fields[f] = kNullValue;
            } else if (value.is_string()) {
                p.fields[f] = FromText(kFields[f].type, Wide(value.get<std::string>()), &why);
            } else if (value.is_number()) {
                p.fields[f] = FromText(kFields[f].type, NumberText(value.get<double>()), &why);
            } else {
                why = L"values are text, numbers or null";
            }
            if (!why.empty()) {
                *error = L"product " + std::to_wstring(db.products.size() + 1) + L", field \"" +
                         fieldName + L"\": " + why;
                return false;
            }
        }
        db.products.push_back(p);
    }
    databases_.push_back(std::move(db));
    return true;
}

bool Store::Generate(const std::wstring& name, int count) {
    std::vector<const Product*> samples;
    for (const Database& db : databases_) {
        for (const Product& p : db.products) samples.push_back(&p);
    }
    if (samples.empty() || count < 0) return false;
    Database db;
    db.name = name;
    db.products.reserve(size_t(count));
    std::wstring error;
    for (int i = 0; i < count; ++i) {
        Product p = *samples[size_t(i) % samples.size()];
        const std::wstring suffix = L"-G" + std::to_wstring(100000 + i).substr(1);
        const auto withSuffix = [&](int f) {
            const Value& v = value(p.fields[f]);
            p.fields[f] = Intern(ValueKind::Text, std::wstring(Text(v)) + suffix, 0, 0);
        };
        withSuffix(field::kManufacturerPartNumber);
        withSuffix(FindField(L"VendorPartNumber"));
        const Value& price = value(p.fields[field::kUnitPrice]);
        if (price.kind == ValueKind::Currency) {
            const int64_t cy = price.cy + int64_t(i % 97) * 2500;
            p.fields[field::kUnitPrice] =
                Intern(ValueKind::Currency, CurrencyText(cy), double(cy) / 10000, cy);
        }
        db.products.push_back(p);
    }
    databases_.push_back(std::move(db));
    return true;
}

void Store::KeepOnly(std::wstring_view name) {
    std::erase_if(databases_, [&](const Database& db) { return db.name != name; });
}

const Database* Store::FindDatabase(std::wstring_view name) const {
    const std::wstring folded = FoldCase(name);
    for (const Database& db : databases_) {
        if (FoldCase(db.name) == folded) return &db;
    }
    return nullptr;
}

bool Store::FindProduct(std::wstring_view partNumber, std::wstring_view vendor, const Database** db,
                        uint32_t* index) const {
    const std::wstring part = FoldCase(partNumber), source = FoldCase(vendor);
    for (const Database& d : databases_) {
        for (uint32_t i = 0; i < d.products.size(); ++i) {
            const Product& p = d.products[i];
            if (Folded(value(p.fields[field::kManufacturerPartNumber])) == part &&
                Folded(value(p.fields[field::kVendor])) == source) {
                *db = &d;
                *index = i;
                return true;
            }
        }
    }
    return false;
}

bool ParseOperator(std::wstring_view words, Operator* op) {
    static const struct {
        const wchar_t* words;
        Operator op;
    } kOperators[] = {
        {L"equal to", Operator::Equal},
        {L"not equal to", Operator::NotEqual},
        {L"greater than", Operator::Greater},
        {L"less than", Operator::Less},
        {L"greater or equal", Operator::GreaterEqual},
        {L"less or equal", Operator::LessEqual},
        {L"begins with", Operator::BeginsWith},
        {L"contains", Operator::Contains},
        {L"does not contain", Operator::NotContains},
    };
    const std::wstring folded = FoldCase(words);
    for (const auto& o : kOperators) {
        if (folded == o.words) {
            *op = o.op;
            return true;
        }
    }
    return false;
}

void FindProducts(const Store& store, const Database& db, int field, Operator op,
                  std::wstring_view value, std::vector<uint32_t>* matches) {
    const std::wstring query = FoldCase(value);
    double queryNumber = 0, queryDate = 0;
    const bool queryIsNumber = ParseNumber(value, &queryNumber);
    const bool queryIsDate = ParseDate(value, &queryDate);
    const bool ordering = op == Operator::Greater || op == Operator::Less ||
                          op == Operator::GreaterEqual || op == Operator::LessEqual;
    const uint32_t n = uint32_t(db.products.size());
    for (uint32_t i = 0; i < n; ++i) {
        const Value& v = store.value(db.products[i].fields[field]);
        const std::wstring_view text = store.Folded(v);
        bool match = false;
        switch (op) {
            case Operator::BeginsWith:
                match = text.substr(0, query.size()) == query;
                break;
            case Operator::Contains:
                match = text.find(query) != std::wstring_view::npos;
                break;
            case Operator::NotContains:
                match = text.find(query) == std::wstring_view::npos;
                break;
            default: {
                // An empty or null field has no order: only (not) equal to applies.
                if (ordering && (v.kind == ValueKind::Empty || v.kind == ValueKind::Null)) break;
                int cmp;
                const double q = v.kind == ValueKind::Date ? queryDate : queryNumber;
                if (v.numeric && (v.kind == ValueKind::Date ? queryIsDate : queryIsNumber)) {
                    cmp = v.number < q ? -1 : v.number > q ? 1 : 0;
                } else {
                    cmp = text.compare(query);
                }
                switch (op) {
                    case Operator::Equal:
                        match = cmp == 0;
                        break;
                    case Operator::NotEqual:
                        match = cmp != 0;
                        break;
                    case Operator::Greater:
                        match = cmp > 0;
                        break;
                    case Operator::Less:
                        match = cmp < 0;
                        break;
                    case Operator::GreaterEqual:
                        match = cmp >= 0;
                        break;
                    default:
                        match = cmp <= 0;
                        break;
                }
            }
        }
        if (match) matches->push_back(i);
    }
}

}  // namespace standin
