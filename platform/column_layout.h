// The result list's columns as the user arranges them: their order, which
// are hidden, and their widths. A column is named by its place in the list's
// catalogue of columns; the first (the row's own text) is always shown.
// Widths are in twips, so that they come back right at any DPI.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/list_items.h"
#include "platform/settings.h"

namespace platform {

// The widest column kept, in twips (what 16 bits hold).
constexpr int kMaxColumnTwips = 32767;

class ColumnLayout {
  public:
    ColumnLayout() = default;
    // Catalogue order, none hidden, each column as wide as given.
    explicit ColumnLayout(std::vector<int> widthsTwips);

    int Count() const { return static_cast<int>(order_.size()); }
    // Every column in the user's order, the hidden ones in their places.
    const std::vector<int>& Order() const { return order_; }
    // The columns shown, in the user's order.
    std::vector<int> Shown() const;
    bool Hidden(int column) const { return hidden_.at(static_cast<size_t>(column)); }
    int Width(int column) const { return widths_.at(static_cast<size_t>(column)); }

    // False, and nothing changes, for the first column or one not in the
    // catalogue.
    bool SetHidden(int column, bool hidden);
    // Kept within 0 and kMaxColumnTwips.
    void SetWidth(int column, int twips);
    // Moves the column at place `from` of Order() to place `to`.
    void Move(int from, int to);
    // The shown columns take this order and the hidden ones keep their
    // places; false, and nothing changes, unless it names each shown column
    // once.
    bool SetShownOrder(std::span<const int> shown);
    // Hides every column with no text in any of the rows listed.
    void HideEmpty(const ListItems& items);

    bool operator==(const ColumnLayout&) const = default;

    // Kept as three values, and read back whole or not at all: nothing when
    // a value is missing or does not describe a layout of `count` columns.
    void Write(Settings& settings) const;
    static std::optional<ColumnLayout> Read(const Settings& settings, int count);
    static void Forget(Settings& settings);

  private:
    std::vector<int> order_;    // catalogue positions
    std::vector<bool> hidden_;  // by catalogue position
    std::vector<int> widths_;   // twips, by catalogue position
};

}  // namespace platform
