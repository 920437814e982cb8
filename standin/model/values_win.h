// Answers a scenario puts in place of the stand-in's own: for a field, what
// SLIBufferGetValue returns; for "Object.Member", what that member returns
// (after it has done its work). Each answer is an exact VARIANT, of any type
// a host might hand over (format in standin/README.md).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standin/model/com_win.h"

namespace standin {

class ValueTable {
  public:
    ValueTable() = default;
    ValueTable(ValueTable&&) = default;
    ValueTable& operator=(ValueTable&&) = default;

    // `utf8` is the JSON object of the scenario's "values"; false (and why)
    // when a value has the wrong form.
    bool Parse(std::string_view utf8, std::wstring* error);
    bool empty() const { return values_.empty(); }
    // A copy of the answer set for `name` (a field, or "Object.Member"; case
    // ignored) into the empty `out`; false when there is none.
    bool Find(std::wstring_view name, VARIANT* out) const;

  private:
    std::vector<std::pair<std::wstring, ComVariant>> values_;
};

}  // namespace standin
