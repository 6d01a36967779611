#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// Windows' wide-character text and the core's bytes. Bytes that are no valid UTF-8 become
// U+FFFD, as the system's own conversion makes them.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// Text in a code page (CP_ACP: the system's ANSI code page) and UTF-8. A character the code
// page lacks becomes its default character; `lost` then turns true when given.
std::string Utf8FromCodePage(std::string_view bytes, unsigned codePage);
std::string CodePageFromUtf8(std::string_view utf8, unsigned codePage, bool* lost = nullptr);

}  // namespace kestrin
