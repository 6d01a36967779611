#include "ftp/file_facts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace kestrin {
namespace {

std::optional<std::int64_t> Number(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

struct Token {
  std::string_view text;
  size_t start;
};

// The first `count` blank-separated words of a line, with where each starts.
std::vector<Token> Words(std::string_view line, size_t count) {
  std::vector<Token> words;
  size_t at = 0;
  while (words.size() < count) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) {
      break;
    }
    const size_t end = std::min(line.find(' ', at), line.size());
    words.push_back({line.substr(at, end - at), at});
    at = end;
  }
  return words;
}

// One line of a listing, if it names `name`.
std::optional<FileFacts> FactsInLine(std::string_view line, std::string_view name) {
  // Unix: type and rights, links, owner, group, size, month, day, time or year, name.
  if (const auto words = Words(line, 9); words.size() == 9 && words[0].text.size() == 10) {
    if (line.substr(words[8].start) != name) {
      return std::nullopt;
    }
    return FileFacts{line.front() == '-', Number(words[4].text)};
  }
  // DOS: date, time, "<DIR>" or size, name.
  if (const auto words = Words(line, 4);
      words.size() == 4 && words[0].text.size() >= 8 && words[0].text[2] == '-') {
    if (line.substr(words[3].start) != name) {
      return std::nullopt;
    }
    const auto size = Number(words[2].text);
    return FileFacts{size.has_value(), size};
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> SizeInReply(std::string_view reply) {
  if (!reply.starts_with("213 ")) {
    return std::nullopt;
  }
  reply.remove_prefix(4);
  return Number(reply.substr(0, reply.find_first_of(" \r\n")));
}

bool SaysNoSuchFile(std::string_view reply) {
  const std::string text = Lowercase(reply);
  for (const char* absence : {"no such file", "not found", "does not exist", "doesn't exist",
                              "cannot find", "can't find"}) {
    if (text.find(absence) != std::string::npos) {
      return true;
    }
  }
  return false;
}

FileFacts FactsOfMlstLine(std::string_view line) {
  FileFacts facts;
  line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
  line = line.substr(0, line.find(' '));  // the name follows the facts after a blank
  while (!line.empty()) {
    const size_t end = std::min(line.find(';'), line.size());
    const std::string fact = Lowercase(line.substr(0, end));
    if (fact == "type=file") {
      facts.plainFile = true;
    } else if (fact.starts_with("size=")) {
      facts.size = Number(line.substr(5, end - 5));
    }
    line.remove_prefix(std::min(end + 1, line.size()));
  }
  if (!facts.plainFile) {
    facts.size.reset();
  }
  return facts;
}

namespace {

// The first line of a listing (ended by CR LF or LF, or by its end) without its end; the
// listing is left holding what follows it.
std::string_view TakeLine(std::string_view& listing) {
  const size_t end = std::min(listing.find('\n'), listing.size());
  std::string_view line = listing.substr(0, end);
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  listing.remove_prefix(std::min(end + 1, listing.size()));
  return line;
}

}  // namespace

bool IsListed(std::string_view listing, std::string_view name) {
  while (!listing.empty()) {
    if (TakeLine(listing) == name) {
      return true;
    }
  }
  return false;
}

FileFacts FactsInListing(std::string_view listing, std::string_view name) {
  while (!listing.empty()) {
    if (const auto facts = FactsInLine(TakeLine(listing), name)) {
      return *facts;
    }
  }
  return {};
}

}  // namespace kestrin
