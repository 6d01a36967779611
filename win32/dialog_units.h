#pragma once

#include "win32/windows_api.h"

namespace kestrin::win32 {

// The window's fonts at one DPI: the user's message font, and its italic for hints.
class Fonts {
 public:
  explicit Fonts(UINT dpi);
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  HFONT normal() const { return normal_; }
  HFONT italic() const { return italic_; }

 private:
  HFONT normal_;
  HFONT italic_;
};

// Dialog units of a font, as Windows lays out dialogs: a quarter of the font's average
// character width across, an eighth of its height down. The layout is written in them, so
// it grows with both the DPI and the user's font.
class DialogUnits {
 public:
  explicit DialogUnits(HFONT font);

  int X(int units) const { return MulDiv(units, baseX_, 4); }
  int Y(int units) const { return MulDiv(units, baseY_, 8); }
  // Width of a caption in this font, in pixels.
  int TextWidth(const wchar_t* text) const;

 private:
  HFONT font_;
  int baseX_;
  int baseY_;
};

}  // namespace kestrin::win32
