#include "platform/system_text.h"

namespace kestrin {

std::string TextAsUtf8(std::string bytes) {
  return bytes;
}

std::optional<std::string> TextInAnsiCodePage(std::string_view utf8) {
  return std::string(utf8);
}

unsigned AnsiCodePage() {
  return 0;
}

}  // namespace kestrin
