#pragma once

#include <array>
#include <string>

#include "sync/change_list.h"

namespace kestrin::desktop {

// The confirmation dialog's table of changes, the same in every front end: its columns, and
// each change as a row of printable texts.
struct ChangeColumn {
  const char* header;
  int widthTwips;  // 0: hidden, it only carries data
};
inline constexpr ChangeColumn kChangeColumns[] = {
    {"Flag", 500}, {"Action", 1300}, {"Path", 2100},   {"Bookmark", 0},
    {"URL", 0},    {"IconFile", 0},  {"IconIndex", 0}, {"Type", 0}};
inline constexpr int kBookmarkColumn = 3;     // takes the width the others leave
inline constexpr int kFirstHiddenColumn = 4;  // from here on, data only

// The dialog's client area and margin in twips (1440 to an inch), as it was designed.
inline constexpr int kChangeDialogWidthTwips = 9855;
inline constexpr int kChangeDialogHeightTwips = 5535;
inline constexpr int kChangeDialogMarginTwips = 120;
inline constexpr int kChangeDialogButtonWidthTwips = 1215;

// The texts of `row` in the columns' order; the first (the check box's) is empty. Values
// from the shared list are made printable.
std::array<std::string, std::size(kChangeColumns)> ChangeRowTexts(const ChangeRow& row);

}  // namespace kestrin::desktop
