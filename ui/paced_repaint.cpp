#include "ui/paced_repaint.h"

namespace kestrin::ui {

void PacedRepaint::operator()(QWidget& widget) {
  const Clock::time_point now = now_();
  if (due_ && now < *due_) {
    widget.update();
    return;
  }
  widget.repaint();
  due_ = now + kInterval;
}

}  // namespace kestrin::ui
