#include "win32/dialog_units.h"

#include <cwchar>
#include <utility>

namespace kestrin::win32 {

namespace {

LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    metrics.lfMessageFont = LOGFONTW{};
    metrics.lfMessageFont.lfHeight = -MulDiv(9, int(dpi), 72);
    wcscpy(metrics.lfMessageFont.lfFaceName, L"Segoe UI");
  }
  return metrics.lfMessageFont;
}

// Measures with the font selected into a screen DC, and puts the DC's font back.
template <typename Measure>
auto WithFont(HFONT font, Measure measure) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  auto result = measure(dc);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return result;
}

}  // namespace

Fonts::Fonts(UINT dpi) {
  LOGFONTW font = MessageFont(dpi);
  normal_ = CreateFontIndirectW(&font);
  font.lfItalic = TRUE;
  italic_ = CreateFontIndirectW(&font);
}

Fonts::~Fonts() {
  DeleteObject(normal_);
  DeleteObject(italic_);
}

DialogUnits::DialogUnits(HFONT font) : font_(font) {
  constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const auto [width, height] = WithFont(font, [&](HDC dc) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE alphabet{};
    GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    return std::pair{int((alphabet.cx / 26 + 1) / 2), int(metrics.tmHeight)};
  });
  baseX_ = width;
  baseY_ = height;
}

int DialogUnits::TextWidth(const wchar_t* text) const {
  return WithFont(font_, [&](HDC dc) {
    RECT bounds{};
    DrawTextW(dc, text, -1, &bounds, DT_CALCRECT | DT_SINGLELINE);  // "&" marks a mnemonic
    return int(bounds.right);
  });
}

}  // namespace kestrin::win32
