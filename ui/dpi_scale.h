#pragma once

class QWidget;

namespace kestrin::ui {

// The windows' designed sizes are in pixels at 96 dpi (or in twips, 1/1440 inch); this turns
// those design units into device-independent pixels for the screen the widget is on.
class DpiScale {
 public:
  explicit DpiScale(double factor) : factor_(factor) {}
  static DpiScale For(const QWidget& widget);

  int Px(int pixelsAt96Dpi) const;
  int FromTwips(int twips) const;

 private:
  double factor_;
};

}  // namespace kestrin::ui
