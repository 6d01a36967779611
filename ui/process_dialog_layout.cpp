#include "ui/process_dialog_layout.h"

namespace kestrin::ui {

namespace {
// The fixed columns (Flag, Action, Path) and the list's own border.
constexpr int kColumnsBesideBookmark = 4250;
}  // namespace

ProcessDialogLayout LayoutForOuterSize(int outerWidth, int outerHeight) {
  ProcessDialogLayout layout;
  layout.bottomRowTop = outerHeight - 1000;
  layout.cancelLeft = outerWidth - 2895;
  layout.processLeft = outerWidth - 1575;
  layout.listWidth = outerWidth - 360;
  layout.listHeight = outerHeight - 1245;
  layout.bookmarkColumnWidth = layout.listWidth - kColumnsBesideBookmark;
  return layout;
}

}  // namespace kestrin::ui
