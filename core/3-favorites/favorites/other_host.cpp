#include "favorites/other_host.h"

#include <algorithm>
#include <cctype>

namespace kestrin {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::size_t LeadingSeparators(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::find_if_not(text, IsSeparator) - text.begin());
}

// "%5C%5Chost" is "\\host" to whoever opens the URL.
std::string PercentDecoded(std::string_view text) {
  const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
      decoded += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace

std::optional<std::string> FileUrlTarget(std::string_view url) {
  constexpr std::string_view kScheme = "file:";
  constexpr std::string_view kLocalHost = "//localhost";
  if (!StartsWithNoCase(url, kScheme)) {
    return std::nullopt;
  }
  const std::string_view rest = url.substr(kScheme.size());
  std::string target = PercentDecoded(rest.substr(0, rest.find_first_of("?#")));
  if (StartsWithNoCase(target, kLocalHost) &&
      (target.size() == kLocalHost.size() || IsSeparator(target[kLocalHost.size()]))) {
    target.erase(0, kLocalHost.size());
  }
  return target;
}

bool NamesAnotherHost(std::string_view value) {
  const std::optional<std::string> target = FileUrlTarget(value);
  if (!target) {
    return LeadingSeparators(value) >= 2;
  }
  // "file://host/..." and "file:////host/..." name a host; "file:///path" does not.
  const std::size_t separators = LeadingSeparators(*target);
  return separators == 2 || separators >= 4;
}

}  // namespace kestrin
