#include "platform/system_text.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace kestrin {
namespace {

bool IsValidUtf8(std::string_view bytes) {
  return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

}  // namespace

std::string TextAsUtf8(std::string bytes) {
  return IsValidUtf8(bytes) ? bytes : Utf8FromCodePage(bytes, CP_ACP);
}

std::optional<std::string> TextInAnsiCodePage(std::string_view utf8) {
  bool lost = false;
  std::string text = CodePageFromUtf8(utf8, CP_ACP, &lost);
  return lost ? std::nullopt : std::optional<std::string>(std::move(text));
}

unsigned AnsiCodePage() {
  return GetACP();
}

}  // namespace kestrin
