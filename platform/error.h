// The run-time error: what every failure of a host call or of a control raises.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace platform {

// A run-time error as the platform numbers it, with the platform's own text.
struct ErrorKind {
    int32_t number;
    const wchar_t* text;
};

// The run-time errors the program raises itself.
namespace err {
inline constexpr ErrorKind kOverflow{6, L"Overflow"};
inline constexpr ErrorKind kOutOfMemory{7, L"Out of memory"};
inline constexpr ErrorKind kTypeMismatch{13, L"Type mismatch"};
inline constexpr ErrorKind kInternalError{51, L"Internal error"};
inline constexpr ErrorKind kObjectNotSet{91, L"Object variable or With block variable not set"};
inline constexpr ErrorKind kInvalidUseOfNull{94, L"Invalid use of Null"};
inline constexpr ErrorKind kInvalidPropertyValue{380, L"Invalid property value"};
inline constexpr ErrorKind kObjectRequired{424, L"Object required"};
inline constexpr ErrorKind kCannotCreateObject{429, L"ActiveX component can't create object"};
inline constexpr ErrorKind kNoAutomation{
    430, L"Class does not support Automation or does not support expected interface"};
inline constexpr ErrorKind kNoSuchMember{438, L"Object doesn't support this property or method"};
inline constexpr ErrorKind kArgumentNotOptional{449, L"Argument not optional"};
inline constexpr ErrorKind kWrongArguments{
    450, L"Wrong number of arguments or invalid property assignment"};
inline constexpr ErrorKind kUnsupportedType{458, L"Variable uses an Automation type not supported"};
inline constexpr ErrorKind kIndexOutOfBounds{35600, L"Index out of bounds"};

// The text of an error numbered by a component that gave none of its own.
inline constexpr const wchar_t* kObjectDefinedText = L"Application-defined or object-defined error";
// The first line of an error that only the system's HRESULT names.
inline constexpr const wchar_t* kAutomationErrorText = L"Automation error";
}  // namespace err

// A failure that leaves the running handler; the app reports it and ends.
class RuntimeError : public std::exception {
  public:
    RuntimeError(int32_t number, std::wstring description, std::wstring source = {})
        : number_(number), description_(std::move(description)), source_(std::move(source)) {}
    explicit RuntimeError(const ErrorKind& kind) : RuntimeError(kind.number, kind.text) {}
    int32_t number() const { return number_; }
    const std::wstring& description() const { return description_; }
    const std::wstring& source() const { return source_; }
    const char* what() const noexcept override { return "run-time error"; }

  private:
    int32_t number_;
    std::wstring description_;
    std::wstring source_;
};

}  // namespace platform
