#include "ui/dpi_scale.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

namespace kestrin::ui {

namespace {
constexpr double kDesignDpi = 96.0;
constexpr double kTwipsPerPixelAtDesignDpi = 15.0;
}  // namespace

DpiScale DpiScale::For(const QWidget& widget) {
  const QScreen* screen = widget.screen();
  return DpiScale(screen ? screen->logicalDotsPerInchX() / kDesignDpi : 1.0);
}

int DpiScale::Px(int pixelsAt96Dpi) const {
  return static_cast<int>(std::lround(pixelsAt96Dpi * factor_));
}

int DpiScale::FromTwips(int twips) const {
  return static_cast<int>(std::lround(twips * factor_ / kTwipsPerPixelAtDesignDpi));
}

}  // namespace kestrin::ui
