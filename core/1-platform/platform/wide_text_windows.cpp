#include "platform/wide_text.h"

#include <windows.h>

namespace kestrin {
namespace {

std::wstring WideFrom(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) {
    return {};
  }
  const int size = static_cast<int>(bytes.size());
  std::wstring wide(MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string BytesFrom(std::wstring_view wide, unsigned codePage, bool* lost) {
  if (wide.empty()) {
    return {};
  }
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  // The UTF code pages refuse the default-character arguments; elsewhere no look-alike stands
  // in for a character the code page lacks ("Ω" for "O"), so that a loss is told.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* const used = utf8 ? nullptr : &usedDefault;
  std::string bytes(
      WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(),
                      static_cast<int>(bytes.size()), nullptr, used);
  if (lost != nullptr) {
    *lost = usedDefault == TRUE;
  }
  return bytes;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  return WideFrom(utf8, CP_UTF8);
}

std::string Utf8FromWide(std::wstring_view wide) {
  return BytesFrom(wide, CP_UTF8, nullptr);
}

std::string Utf8FromCodePage(std::string_view bytes, unsigned codePage) {
  return Utf8FromWide(WideFrom(bytes, codePage));
}

std::string CodePageFromUtf8(std::string_view utf8, unsigned codePage, bool* lost) {
  return BytesFrom(WideFromUtf8(utf8), codePage, lost);
}

}  // namespace kestrin
