// The user's regional general date form and decimal separator, from the regional settings
// of Windows: their short date and long time patterns, turned into the core's tokens.

#include <windows.h>

#include <string>

#include "platform/wide_text.h"
#include "qt_locale/locale_date_format.h"

namespace kestrin {
namespace {

std::string LocaleText(LCTYPE item) {
  wchar_t text[128] = {};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 128);
  return length > 1 ? Utf8FromWide(std::wstring_view(text, length - 1)) : std::string();
}

// Windows' pattern letters mostly are the core's; the year becomes four digits, and the
// AM/PM marker "tt" ("t": its first letter) becomes "AP" ("A").
std::string CoreTokens(const std::string& pattern) {
  std::string tokens;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    size_t run = 1;
    while (!quoted && c != '\'' && i + run < pattern.size() && pattern[i + run] == c) {
      ++run;
    }
    if (c == '\'') {
      quoted = !quoted;
      tokens += c;
    } else if (!quoted && c == 'y' && run <= 2) {
      tokens += "yyyy";
    } else if (!quoted && c == 't') {
      tokens += run == 1 ? "A" : "AP";
    } else {
      tokens.append(run, c);
    }
    i += run;
  }
  return tokens;
}

}  // namespace

GeneralDateFormat LocaleGeneralDateFormat() {
  GeneralDateFormat format;
  format.shortDate = CoreTokens(LocaleText(LOCALE_SSHORTDATE));
  format.longTime = CoreTokens(LocaleText(LOCALE_STIMEFORMAT));
  return SupportedOrEnUs(format);
}

char LocaleDecimalSeparator() {
  const std::string point = LocaleText(LOCALE_SDECIMAL);
  return point.size() == 1 && static_cast<unsigned char>(point[0]) < 0x80 ? point[0] : '.';
}

}  // namespace kestrin
