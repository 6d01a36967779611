#pragma once

class QFont;
class QWidget;

namespace kestrin::ui {

// The windows are laid out in pixels at 96 dpi (or in twips, 1/1440 inch); this turns those
// design units into device-independent pixels for the screen the widget is on.
class DpiScale {
 public:
  explicit DpiScale(double factor) : factor_(factor) {}
  static DpiScale For(const QWidget& widget);

  int Px(int pixelsAt96Dpi) const;
  int FromTwips(int twips) const;
  int ToTwips(int pixels) const;

 private:
  double factor_;
};

// The 8-point text the design's positions were measured with; larger text would not fit.
QFont DesignFont();

}  // namespace kestrin::ui
