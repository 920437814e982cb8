// A portable automation value: what a late-bound call passes and returns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace platform {

class Dispatch;
// One counted reference to an automation object; destroying it releases it.
using Object = std::unique_ptr<Dispatch>;

struct Null {
    bool operator==(const Null&) const = default;
};
struct Currency {  // fixed point, value times 10,000
    int64_t scaled = 0;
    bool operator==(const Currency&) const = default;
};
struct Date {  // days since 30 December 1899, the automation date
    double serial = 0;
    bool operator==(const Date&) const = default;
};
struct ErrorCode {  // an error value, not a raised error
    int32_t scode = 0;
    bool operator==(const ErrorCode&) const = default;
};
struct Decimal {        // a 96-bit whole number scaled by a power of ten, kept exact
    uint8_t scale = 0;  // 0 to 28 decimal places
    bool negative = false;
    uint32_t hi = 0;
    uint64_t lo = 0;
    bool operator==(const Decimal&) const = default;
};
struct Array {  // an array: shown or counted, it only ever fails to convert
    bool operator==(const Array&) const = default;
};

class Variant {
  public:
    enum class Type {
        kEmpty,
        kNull,
        kBool,
        kInteger,
        kLong,
        kSingle,
        kDouble,
        kCurrency,
        kDate,
        kString,
        kObject,
        kError,
        kDecimal,
        kArray
    };

    Variant() = default;
    Variant(Null v) : v_(v) {}
    Variant(bool v) : v_(v) {}
    Variant(int16_t v) : v_(v) {}
    Variant(int32_t v) : v_(v) {}
    Variant(float v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(Currency v) : v_(v) {}
    Variant(Date v) : v_(v) {}
    Variant(std::wstring v) : v_(std::move(v)) {}
    Variant(const wchar_t* v) : v_(std::wstring(v)) {}
    Variant(Object v) : v_(std::move(v)) {}
    Variant(ErrorCode v) : v_(v) {}
    Variant(Decimal v) : v_(v) {}
    Variant(Array v) : v_(v) {}

    Variant(Variant&&) noexcept = default;
    Variant& operator=(Variant&&) noexcept = default;

    Type type() const { return static_cast<Type>(v_.index()); }
    bool IsEmpty() const { return type() == Type::kEmpty; }
    bool IsNull() const { return type() == Type::kNull; }

    // The text this variant holds, after making it empty text if it held
    // anything else: assigning to it reuses the text's storage.
    std::wstring& StringStorage() {
        if (std::wstring* s = std::get_if<std::wstring>(&v_)) return *s;
        return v_.emplace<std::wstring>();
    }

    template <class T>
    const T* get() const {
        return std::get_if<T>(&v_);
    }
    template <class T>
    T* get() {
        return std::get_if<T>(&v_);
    }

  private:
    // The order of the alternatives is the order of Type.
    std::variant<std::monostate, Null, bool, int16_t, int32_t, float, double, Currency, Date,
                 std::wstring, Object, ErrorCode, Decimal, Array>
        v_;
};

}  // namespace platform
