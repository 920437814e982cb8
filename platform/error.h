// The run-time error: what every failure of a host call or of a control raises.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace platform {

// A failure that leaves the running handler; the app reports it and ends.
class RuntimeError : public std::exception {
  public:
    RuntimeError(int32_t number, std::wstring description, std::wstring source = {})
        : number_(number), description_(std::move(description)), source_(std::move(source)) {}
    int32_t number() const { return number_; }
    const std::wstring& description() const { return description_; }
    const std::wstring& source() const { return source_; }
    const char* what() const noexcept override { return "run-time error"; }

  private:
    int32_t number_;
    std::wstring description_;
    std::wstring source_;
};

// The run-time error numbers the program raises itself.
namespace err {
constexpr int32_t kOverflow = 6;
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kObjectNotSet = 91;
constexpr int32_t kInvalidUseOfNull = 94;
constexpr int32_t kObjectRequired = 424;
constexpr int32_t kCannotCreateObject = 429;
constexpr int32_t kIndexOutOfBounds = 35600;
}  // namespace err

}  // namespace platform
