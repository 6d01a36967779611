#include "bookmarks/netscape_html.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "bookmarks/utf8.h"
#include "formats/printable_text.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

void AppendDates(std::string& out, std::int64_t modified) {
  const std::string seconds = std::to_string(modified);
  out.append(" ADD_DATE=\"").append(seconds).append("\" LAST_MODIFIED=\"").append(seconds);
  out += '"';
}

void AppendList(std::string& out, const Bookmark& folder, std::size_t depth) {
  const std::string indent(depth * 4, ' ');
  out.append(indent).append("<DL><p>\n");
  for (const Bookmark& entry : folder.children) {
    out.append(indent).append("    <DT>");
    if (entry.folder) {
      out += "<H3";
      AppendDates(out, entry.modified);
      out += '>';
      AppendEscaped(out, entry.title);
      out += "</H3>\n";
      AppendList(out, entry, depth + 1);
    } else {
      out += "<A HREF=\"";
      AppendEscaped(out, entry.url);
      out += '"';
      AppendDates(out, entry.modified);
      out += '>';
      AppendEscaped(out, entry.title);
      out += "</A>\n";
    }
  }
  out.append(indent).append("</DL><p>\n");
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::ranges::transform(lowered, lowered.begin(), LowerAscii);
  return lowered;
}

// The character an entity's name (what lies between "&" and ";") stands for.
std::optional<std::uint32_t> EntityCode(std::string_view name) {
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
      return std::nullopt;
    }
    std::uint32_t code = 0;
    for (char c : digits) {
      const char d = LowerAscii(c);
      const int value = (d >= '0' && d <= '9')          ? d - '0'
                        : (hex && d >= 'a' && d <= 'f') ? d - 'a' + 10
                                                        : -1;
      if (value < 0) {
        return std::nullopt;
      }
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
    }
    return code;
  }
  static constexpr std::pair<std::string_view, std::uint32_t> kNamed[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};
  const std::string lowered = Lowered(name);
  for (const auto& [entity, code] : kNamed) {
    if (lowered == entity) {
      return code;
    }
  }
  return std::nullopt;
}

// Entities decoded, then blanks around the text dropped; an unknown entity stays as written.
std::string DecodedText(std::string_view text) {
  constexpr std::size_t kLongestEntity = 10;  // "#x10FFFF" with room to spare
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t semicolon =
        text[i] == '&' ? text.substr(i, kLongestEntity + 2).find(';') : text.npos;
    const auto code =
        semicolon != text.npos ? EntityCode(text.substr(i + 1, semicolon - 1)) : std::nullopt;
    if (code) {
      AppendUtf8(out, *code);
      i += semicolon;
    } else {
      out += text[i];
    }
  }
  const std::size_t first = out.find_first_not_of(" \t\r\n");
  return first == out.npos ? "" : out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

struct Tag {
  std::string name;     // lower case, "/" first for a closing tag
  std::string href;     // the HREF attribute, decoded
  std::string charset;  // the character set a META tag declares, as written
};

// The character set in a META tag's CONTENT ("text/html; charset=windows-1252").
std::string CharsetInContent(std::string_view content) {
  const std::size_t at = Lowered(content).find("charset=");
  if (at == std::string::npos) {
    return {};
  }
  const std::string_view rest = content.substr(at + 8);
  return std::string(rest.substr(0, rest.find_first_of("; \t\"'")));
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads the tag that begins at html[pos] ("<") and moves pos past its ">".
Tag ReadTag(std::string_view html, std::size_t& pos) {
  Tag tag;
  std::size_t i = pos + 1;
  while (i < html.size() && !IsBlank(html[i]) && html[i] != '>') {
    tag.name += LowerAscii(html[i++]);
  }
  while (i < html.size() && html[i] != '>') {
    if (IsBlank(html[i])) {
      ++i;
      continue;
    }
    const std::size_t nameStart = i;
    while (i < html.size() && !IsBlank(html[i]) && html[i] != '=' && html[i] != '>') {
      ++i;
    }
    const std::string name = Lowered(html.substr(nameStart, i - nameStart));
    while (i < html.size() && IsBlank(html[i])) {
      ++i;
    }
    if (i >= html.size() || html[i] != '=') {
      continue;
    }
    ++i;
    while (i < html.size() && IsBlank(html[i])) {
      ++i;
    }
    std::size_t valueStart = i;
    std::size_t valueEnd = i;
    if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
      valueStart = i + 1;
      valueEnd = std::min(html.find(html[i], valueStart), html.size());
      i = std::min(valueEnd + 1, html.size());
    } else {
      while (i < html.size() && !IsBlank(html[i]) && html[i] != '>') {
        ++i;
      }
      valueEnd = i;
    }
    const std::string_view value = html.substr(valueStart, valueEnd - valueStart);
    if (name == "href") {
      tag.href = DecodedText(value);
    } else if (name == "charset") {
      tag.charset = value;
    } else if (name == "content") {
      tag.charset = CharsetInContent(value);
    }
  }
  pos = std::min(i + 1, html.size());
  return tag;
}

// The text from pos up to the next tag.
std::string_view TextAt(std::string_view html, std::size_t pos) {
  return html.substr(pos, html.find('<', pos) - pos);
}

class HtmlReader {
 public:
  void Take(const Tag& tag, std::string_view textAfter) {
    if (tag.name == "h3") {
      CloseFolderWithoutList();
      tree_.OpenFolder(DecodedText(textAfter));
      awaitingList_ = true;
    } else if (tag.name == "a") {
      CloseFolderWithoutList();
      tree_.AddLink(DecodedText(textAfter), tag.href);
    } else if (tag.name == "dl") {
      listsFolder_.push_back(awaitingList_);
      awaitingList_ = false;
    } else if (tag.name == "/dl") {
      CloseFolderWithoutList();
      if (!listsFolder_.empty()) {
        if (listsFolder_.back()) {
          tree_.CloseFolder();
        }
        listsFolder_.pop_back();
      }
    } else if (tag.name == "dt") {
      CloseFolderWithoutList();
      sawListEntry_ = sawListEntry_ || !listsFolder_.empty();
    }
  }

  // Whether a <DT> stood inside a <DL>: what makes a file a bookmark list without its doctype.
  bool SawListEntry() const { return sawListEntry_; }
  Bookmarks Finish() { return tree_.Take(); }

 private:
  // A folder heading followed by another entry instead of its list holds nothing.
  void CloseFolderWithoutList() {
    if (awaitingList_) {
      tree_.CloseFolder();
      awaitingList_ = false;
    }
  }

  BookmarkTreeBuilder tree_;
  bool awaitingList_ = false;
  std::vector<bool> listsFolder_;  // for each open <DL>, whether it is a folder's list
  bool sawListEntry_ = false;
};

// The character set a META tag declares before the first list; empty when none does.
std::string DeclaredCharset(std::string_view html) {
  for (std::size_t pos = html.find('<'); pos < html.size(); pos = html.find('<', pos)) {
    const Tag tag = ReadTag(html, pos);
    if (tag.name == "dl") {
      break;
    }
    if (tag.name == "meta" && !tag.charset.empty()) {
      return tag.charset;
    }
  }
  return {};
}

// The names browsers read as windows-1252.
bool IsWindows1252(std::string_view charset) {
  const std::string lowered = Lowered(charset);
  for (const char* name : {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                           "iso_8859-1", "latin1", "l1", "us-ascii", "ascii"}) {
    if (lowered == name) {
      return true;
    }
  }
  return false;
}

Result<Bookmarks> ReadUtf8Bookmarks(std::string_view html) {
  HtmlReader reader;
  std::size_t pos = html.find('<');
  while (pos < html.size()) {
    if (html.substr(pos, 4) == "<!--") {
      const std::size_t end = html.find("-->", pos + 4);
      pos = end == html.npos ? html.size() : html.find('<', end + 3);
      continue;
    }
    const Tag tag = ReadTag(html, pos);
    reader.Take(tag, TextAt(html, pos));
    pos = html.find('<', pos);
  }
  const bool doctype =
      Lowered(html.substr(0, 1024)).find("<!doctype netscape-bookmark-file-1") != std::string::npos;
  if (!doctype && !reader.SawListEntry()) {
    return Result<Bookmarks>::Fail(
        "not a bookmark file: it has neither the NETSCAPE-Bookmark-file-1 doctype nor a <DL> "
        "list of <DT> entries");
  }
  return Result<Bookmarks>::Ok(reader.Finish());
}

}  // namespace

std::string WriteNetscapeBookmarks(const Bookmark& root) {
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- This is an automatically generated file.\n"
      "     It will be read and overwritten.\n"
      "     DO NOT EDIT! -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n";
  AppendList(out, root, 0);
  return out;
}

Result<Bookmarks> ReadNetscapeBookmarks(std::string_view html) {
  const std::string charset = DeclaredCharset(html);
  if (IsWindows1252(charset)) {
    return ReadUtf8Bookmarks(Windows1252AsUtf8(html));
  }
  const std::string lowered = Lowered(charset);
  if (!charset.empty() && lowered != "utf-8" && lowered != "utf8") {
    return Result<Bookmarks>::Fail("the file's character set \"" +
                                   PrintableText(charset.substr(0, 40)) +
                                   "\" is not one Kestrin reads (UTF-8, windows-1252, "
                                   "ISO-8859-1)");
  }
  return ReadUtf8Bookmarks(html);
}

Result<Bookmarks> ReadBookmarkFile(const std::string& path) {
  // Far beyond any real collection, small enough to read whole.
  auto bytes = ReadOrdinaryFile(path, std::size_t{256} << 20);
  if (!bytes) {
    return Result<Bookmarks>::Fail(bytes.error());
  }
  Result<Bookmarks> bookmarks = ReadNetscapeBookmarks(*bytes);
  return bookmarks ? std::move(bookmarks)
                   : Result<Bookmarks>::Fail(path + ": " + bookmarks.error());
}

}  // namespace kestrin
