#include "favorites/record_rule.h"

#include <algorithm>

#include "favorites/other_host.h"
#include "formats/printable_text.h"
#include "platform/contained_folder.h"

namespace kestrin {
namespace {

bool IsPlainRelativePath(std::string_view path) {  // no trailing backslash
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = path.find('\\', start);
    if (!IsPlainName(path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start))) {
      return false;
    }
    if (slash == std::string_view::npos) {
      return true;
    }
    start = slash + 1;
  }
}

// "C:..." would name another drive on a computer that has drives.
bool BeginsWithDriveLetter(std::string_view path) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return path.size() >= 2 && isLetter(path[0]) && path[1] == ':';
}

Result<> CheckFolderRecord(const FavoriteRecord& record) {
  if (!record.Name.empty()) {
    return Result<>::Fail("a folder record has a Name");
  }
  if (!IsPlainRelativePath(record.Path)) {
    return Result<>::Fail("the folder record's Path is not a plain relative path");
  }
  return Result<>::Ok();
}

Result<> CheckShortcutRecord(const FavoriteRecord& record) {
  if (!IsPlainName(record.Name)) {
    return Result<>::Fail("the shortcut record's Name is not a plain file name");
  }
  if (!HasShortcutName(record.Name)) {
    return Result<>::Fail("the shortcut record's Name does not end in \"url\"");
  }
  if (!record.Path.empty() &&
      (record.Path.back() != '\\' ||
       !IsPlainRelativePath(record.Path.substr(0, record.Path.size() - 1)))) {
    return Result<>::Fail(
        "the shortcut record's Path is not a plain relative folder path ending in a backslash");
  }
  for (const auto& [value, field] : {std::pair{record.URL, "URL"},
                                     {record.IconFile, "IconFile"},
                                     {record.IconIndex, "IconIndex"}}) {
    if (HoldsLineBreakOrNul(value)) {
      return Result<>::Fail(std::string("the ") + field + " holds a line break or NUL");
    }
    if (NamesAnotherHost(value)) {
      return Result<>::Fail(std::string("the ") + field + " names another host");
    }
  }
  return Result<>::Ok();
}

// The folders a Path names: a shortcut's Path ends with a backslash, a folder's does not.
std::size_t PathComponents(const FavoriteRecord& record) {
  const auto separators =
      static_cast<std::size_t>(std::count(record.Path.begin(), record.Path.end(), '\\'));
  return record.Type == "D" ? separators + 1 : separators;
}

}  // namespace

bool HasShortcutName(std::string_view name) {
  const auto lower = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const std::size_t n = name.size();
  return n >= 3 && lower(name[n - 3]) == 'u' && lower(name[n - 2]) == 'r' &&
         lower(name[n - 1]) == 'l';
}

Result<> CheckRecord(const FavoriteRecord& record) {
  if (record.Type != "D" && record.Type != "F") {
    return Result<>::Fail("the Type is neither \"D\" nor \"F\"");
  }
  if (HoldsControlCharacter(record.Path)) {
    return Result<>::Fail("the Path holds a control character");
  }
  if (HoldsControlCharacter(record.Name)) {
    return Result<>::Fail("the Name holds a control character");
  }
  if (PathComponents(record) > kMaxPathComponents) {
    return Result<>::Fail("the Path is deeper than " + std::to_string(kMaxPathComponents) +
                          " folders");
  }
  if (record.Path.size() > kMaxPathBytes) {
    return Result<>::Fail("the Path is longer than " + std::to_string(kMaxPathBytes) + " bytes");
  }
  if (BeginsWithDriveLetter(record.Path)) {
    return Result<>::Fail("the Path begins with a drive letter");
  }
  return record.Type == "D" ? CheckFolderRecord(record) : CheckShortcutRecord(record);
}

}  // namespace kestrin
