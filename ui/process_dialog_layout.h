#pragma once

namespace kestrin::ui {

// Where the confirmation dialog's size-dependent parts go, in twips, for an outer window
// size in twips. The bottom row keeps its left edges; only its top follows the height.
struct ProcessDialogLayout {
  int bottomRowTop = 0;
  int cancelLeft = 0;
  int processLeft = 0;
  int listWidth = 0;
  int listHeight = 0;
  int bookmarkColumnWidth = 0;

  bool operator==(const ProcessDialogLayout&) const = default;
};

ProcessDialogLayout LayoutForOuterSize(int outerWidth, int outerHeight);

}  // namespace kestrin::ui
