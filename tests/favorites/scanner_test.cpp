// Favorites scanner, on a real folder tree.

#include "favorites/scanner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "favorites/data_file.h"
#include "sync/change_detection.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr char kFileText[] = "11/30/2026 8:00:01 AM";
constexpr char kFolderText[] = "12/1/2026 10:15:30 PM";
const std::string kLongUrl = "https://example.com/" + std::string(32768 - 20, 'x');

void SetTime(const std::string& path, std::time_t when) {
  const timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

void Shortcut(const std::string& path, const std::string& url) {
  WriteFileBytes(path, "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

// The lines of a data file's records, sorted: the scan's order is the file system's.
std::vector<std::string> SortedLines(const std::string& records) {
  std::vector<std::string> lines;
  std::istringstream in(records);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

struct Scan {
  std::string bytes;
  std::vector<std::string> warnings;
  int yields = 0;
  std::size_t shortcuts = 0;  // as the scan counted them
};

Scan ScanOf(const std::string& root, bool encode, ScanCache* cache = nullptr) {
  Scan scan;
  std::ostringstream out;
  scan.shortcuts = ScanFavoritesFolder(
      root, out,
      {encode, EnUsGeneralDateFormat(), [&scan] { ++scan.yields; },
       [&scan](const std::string& text) { scan.warnings.push_back(text); }, false, cache});
  scan.bytes = out.str();
  return scan;
}

// Every kind of entry the scanner meets: odd but carried names, shortcuts in odd forms, and
// entries it must leave out (names the format cannot carry, links it never follows).
TEST(ScanFavoritesFolder, WritesEveryEntryItCanCarryByteForByteAndWarnsAboutTheRest) {
  test::TempDir dir;
  const std::string root = dir.path() + "Favorites/";
  fs::create_directories(dir.path() + "Outside");
  Shortcut(dir.path() + "Outside/secret.url", "https://outside.example/");
  for (const char* folder : {"Links/Work/News, Sport", "Links/Caf\xC3\xA9 Ol\xC3\xA9", "Empty",
                             "Folder.url", "bad\\folder"}) {
    fs::create_directories(root + folder);
  }
  WriteFileBytes(root + "Root Page.url",
                 "[DEFAULT]\r\nBASEURL=https://wrong.example/\r\n"
                 "[InternetShortcut]\r\nURL=https://example.com/root\r\nIDList=\r\n"
                 "IconFile=C:\\icons\\r.ico\r\nIconIndex=2\r\n");
  WriteFileBytes(root + "News.URL", "[internetshortcut]\nurl =  https://news.example/  \n");
  WriteFileBytes(root + "NoSection.url", "just some text\n");
  WriteFileBytes(root + "Links/Work/Kestrin Home.url",
                 "[InternetShortcut]\r\nURL=https://kestrin.example/\r\n"
                 "IconFile=/usr/share/k.png\r\nIconIndex=0\r\n");
  Shortcut(root + "curl", "https://curl.se/");
  Shortcut(root + "notes.txt", "https://notes.example/");
  Shortcut(root + "Long.url", kLongUrl);
  WriteFileBytes(root + "LongIcon.url",
                 "[InternetShortcut]\r\nURL=https://i.example/\r\nIconFile=" + kLongUrl + "\r\n");
  Shortcut(root + "TooLong.url", kLongUrl + "x");
  Shortcut(root + "Quoted.url", "\"https://q.example/\"");
  Shortcut(root + "Folder.url/inside.url", "https://inside.example/");
  Shortcut(root + "Links/Caf\xC3\xA9 Ol\xC3\xA9/Men\xC3\xBC.url", "https://caf\xC3\xA9.example/");
  Shortcut(root + "Links/Work/News, Sport/Scores.url", "https://scores.example/?a=1,2");
  Shortcut(root + "a\\b.url", "https://backslash.example/");
  Shortcut(root + "bad\\folder/x.url", "https://x.example/");
  Shortcut(root + "line\nbreak.url", "https://lf.example/");
  Shortcut(root + "say \"hi\".url", "https://hi.example/");
  Shortcut(root + "Unquotable.url", "https://u.example/\"x");
  fs::create_directory_symlink(dir.path() + "Outside", root + "outside link");
  fs::create_symlink(root + "Root Page.url", root + "link.url");
  fs::create_symlink(root + "notes.txt", root + "link.txt");
  // Times last: making entries changes the times of their folders.
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_symlink()) {
      SetTime(entry.path().string(), entry.is_directory() ? 1796163330 : 1796025601);
    }
  }
  SetTime(root + "Empty", 1796428800);  // midnight: the date alone

  const auto shortcut = [](std::string_view path, std::string_view name, std::string_view url,
                           std::string_view iconFile = "", std::string_view iconIndex = "") {
    return FavoriteRecord{kFileText, path, name, url, iconFile, iconIndex, "F"};
  };
  const auto folder = [](std::string_view path, std::string_view modified = kFolderText) {
    return FavoriteRecord{modified, path, "", "", "", "", "D"};
  };
  for (const bool encode : {false, true}) {
    std::ostringstream expected;
    for (const FavoriteRecord& record : {
             shortcut("", "Root Page.url", "https://example.com/root", "C:\\icons\\r.ico", "2"),
             shortcut("", "News.URL", "https://news.example/"),
             shortcut("", "curl", "https://curl.se/"),
             shortcut("", "NoSection.url", ""),
             shortcut("", "Long.url", kLongUrl),
             shortcut("", "LongIcon.url", "https://i.example/", kLongUrl),
             shortcut("", "Quoted.url", "https://q.example/"),
             folder("Empty", "12/5/2026"),
             folder("Folder.url"),
             shortcut("Folder.url\\", "inside.url", "https://inside.example/"),
             folder("Links"),
             folder("Links\\Work"),
             shortcut("Links\\Work\\", "Kestrin Home.url", "https://kestrin.example/",
                      "/usr/share/k.png", "0"),
             folder("Links\\Work\\News, Sport"),
             shortcut("Links\\Work\\News, Sport\\", "Scores.url", "https://scores.example/?a=1,2"),
             folder("Links\\Caf\xC3\xA9 Ol\xC3\xA9"),
             shortcut("Links\\Caf\xC3\xA9 Ol\xC3\xA9\\", "Men\xC3\xBC.url",
                      "https://caf\xC3\xA9.example/"),
         }) {
      WriteFavoriteRecord(expected, record, encode);
    }
    std::vector<std::string> warnings = {
        "a\\b.url: its name holds a backslash, which the favorites data file cannot carry",
        "bad\\folder: its name holds a backslash, which the favorites data file cannot carry",
        "line\nbreak.url: the Name holds a control character",
        "outside link: symbolic links are not followed",
        "link.url: symbolic links are not followed",
        "TooLong.url: the URL is longer than 32768 bytes",
    };
    if (encode) {  // double quotes travel only in Radix-64 form
      WriteFavoriteRecord(expected, shortcut("", "say \"hi\".url", "https://hi.example/"), true);
      WriteFavoriteRecord(expected, shortcut("", "Unquotable.url", "https://u.example/\"x"), true);
    } else {
      warnings.push_back(
          "say \"hi\".url: its name holds a double quote, which the favorites data file can "
          "carry only with encryption on");
      warnings.push_back(
          "Unquotable.url: a value holds a double quote, which the favorites data file can "
          "carry only with encryption on");
    }
    Scan scan = ScanOf(root, encode);
    EXPECT_EQ(SortedLines(scan.bytes), SortedLines(expected.str()));
    std::sort(warnings.begin(), warnings.end());
    std::sort(scan.warnings.begin(), scan.warnings.end());
    EXPECT_EQ(scan.warnings, warnings);
    EXPECT_GT(scan.yields, 0) << "the caller's window stays responsive during a long scan";
  }
}

// Whatever bytes the names hold and however deep the folders, the reader and the engine take
// every record the scan writes.
TEST(ScanFavoritesFolder, WritesOnlyRecordsEveryComputerTakes) {
  test::TempDir dir;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '/') {
      const std::string name = "ab" + std::string(1, static_cast<char>(byte));
      fs::create_directory(dir.path() + name);
      Shortcut(dir.path() + name + "/" + name + ".url", "https://x/" + name);
    }
  }
  std::string deep = dir.path();
  std::string longPath = dir.path();
  for (int i = 0; i < 70; ++i) {
    deep += "d/";
    longPath += i < 5 ? std::string(250, 'n') + "/" : "";
  }
  fs::create_directories(deep);
  fs::create_directories(longPath);
  for (const bool encode : {false, true}) {
    const Scan scan = ScanOf(dir.path(), encode);
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile("Study@12/5/2026\r\n" + scan.bytes, encode);
    ASSERT_TRUE(file) << file.error();
    EXPECT_TRUE(CheckRecords(*file));
    // The engine takes the count for the list's, which it then need not read.
    EXPECT_EQ(scan.shortcuts, static_cast<std::size_t>(std::count_if(
                                  file->records.begin(), file->records.end(),
                                  [](const FavoriteRecord& r) { return r.Type == "F"; })));
    EXPECT_GE(file->records.size(), 2u * 220) << "every name without a control character, "
                                                 "backslash or (unencoded) double quote";
  }
}

// Path and Name of each entry below `folder`, depth first in the order the file system
// delivers them: what one thread walking the tree alone writes.
void WalkInOrder(const std::string& folder, const std::string& path,
                 std::vector<std::string>& walked) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory()) {
      walked.push_back(path + name);
      WalkInOrder(entry.path().string(), path + name + "\\", walked);
    } else {
      walked.push_back(path + name);
    }
  }
}

// The Favorites folder's sub-folders are listed by two threads at once; the records still
// come in the order of one walk, each folder's whole before the next entry.
TEST(ScanFavoritesFolder, WritesTheOrderOfOneWalkWhileListingOnTwoThreads) {
  test::TempDir dir;
  for (int folder = 0; folder < 40; ++folder) {
    const std::string name = dir.path() + "folder " + std::to_string(folder);
    fs::create_directories(name + "/inner");
    Shortcut(name + "/inner/deep.url", "https://x.example/deep");
    for (int file = 0; file < 3; ++file) {
      Shortcut(name + "/" + std::to_string(file) + ".url", "https://x.example/" + name);
    }
    if (folder % 8 == 0) {
      Shortcut(dir.path() + "top " + std::to_string(folder) + ".url", "https://x.example/");
    }
  }
  std::vector<std::string> walked;
  WalkInOrder(dir.path(), "", walked);
  for (int round = 0; round < 20; ++round) {
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile("Study@12/5/2026\r\n" + ScanOf(dir.path(), false).bytes, false);
    ASSERT_TRUE(file) << file.error();
    std::vector<std::string> scanned;
    for (const FavoriteRecord& record : file->records) {
      scanned.push_back(std::string(record.Path) + std::string(record.Name));
    }
    ASSERT_EQ(scanned, walked) << round;
  }
}

TEST(ScanFavoritesFolder, RefusesToScanWithoutAFavoritesFolder) {
  for (const char* root : {"", "/", "relative"}) {
    const Scan scan = ScanOf(root, false);
    EXPECT_EQ(scan.bytes, "") << root;
    EXPECT_EQ(scan.warnings, std::vector<std::string>{"\"" + std::string(root) +
                                                      "\": not a Favorites folder to scan"});
  }
}

// Whatever changed since the cache was kept (a file rewritten in the same size and time, one
// touched, renamed, deleted or replaced by a folder, new files), a scan through it writes the
// bytes of a scan that reads every file.
TEST(ScanCache, CachedScanWritesTheBytesOfAFullScan) {
  test::TempDir dir;
  const std::string root = dir.path() + "Favorites/", cachePath = dir.path() + "scan.cache";
  std::mt19937 random(17);
  const auto pick = [&random](std::size_t n) { return random() % n; };
  std::vector<std::string> files;
  const auto add = [&](const std::string& file) {
    fs::create_directories(fs::path(root + file).parent_path());
    Shortcut(root + file, "https://x.example/" + std::to_string(random()));
    SetTime(root + file, 1764000000 + 3600 * static_cast<std::time_t>(pick(3)));
    files.push_back(file);
  };
  for (int i = 0; i < 60; ++i) {
    add("f" + std::to_string(pick(4)) + "/" + std::to_string(i) + ".url");
  }
  // Every file's times lie well before this scan start: no entry is unsure for its time.
  const auto scanStart = ScanCache::Clock::now() + std::chrono::minutes(1);
  for (int round = 0; round < 40; ++round) {
    ScanCache cache = ScanCache::Load(cachePath, root, {}, scanStart);
    ASSERT_EQ(ScanOf(root, false, &cache).bytes, ScanOf(root, false).bytes) << round;
    ASSERT_TRUE(cache.Save(cachePath));
    const std::size_t index = pick(files.size());
    const std::string file = files[index], path = root + file;
    const int edit = static_cast<int>(pick(6));
    if (edit == 5) {  // touched: the same line, a new date
      SetTime(path, 1765000000 + round);
      continue;
    }
    if (edit == 0) {
      struct stat before {};
      ASSERT_EQ(::stat(path.c_str(), &before), 0);
      std::string bytes = ReadFileBytes(path);
      bytes[bytes.size() - 3] ^= 1;  // a digit of the URL
      WriteFileBytes(path, bytes);
      const timespec times[2] = {before.st_atim, before.st_mtim};
      ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
      continue;
    }
    if (edit < 4) {
      files.erase(files.begin() + static_cast<std::ptrdiff_t>(index));
      edit == 1 ? fs::rename(path, path + "x.url") : static_cast<void>(fs::remove(path));
    }
    add(edit == 1   ? file + "x.url"
        : edit == 3 ? file + "/in.url"
                    : "n" + std::to_string(round) + ".url");
  }
}

// A scan that finds every file sure and as the cache knows it leaves the cache file as it is
// (the cache saved holds what it would write); any file new, changed or gone renews it.
TEST(ScanCache, IsWrittenAgainOnlyWhenAScanFindsSomethingNew) {
  test::TempDir dir;
  const std::string root = dir.path() + "Favorites/", cachePath = dir.path() + "scan.cache";
  for (const char* file : {"a.url", "f/b.url", "f/c.url"}) {
    fs::create_directories(fs::path(root + file).parent_path());
    Shortcut(root + file, std::string("https://x.example/") + file);
  }
  // Every file's times lie well before the scans' starts.
  auto scanStart = ScanCache::Clock::now() + std::chrono::minutes(1);
  const auto scan = [&] {
    ScanCache cache = ScanCache::Load(cachePath, root, {}, scanStart);
    EXPECT_EQ(ScanOf(root, false, &cache).bytes, ScanOf(root, false).bytes);
    EXPECT_TRUE(cache.Save(cachePath));
    scanStart += std::chrono::minutes(1);
    return ReadFileBytes(cachePath);
  };
  const std::string first = scan();
  EXPECT_EQ(scan(), first);
  fs::create_directory(root + "empty");  // folders are not cached
  EXPECT_EQ(scan(), first);
  fs::remove(root + "f/c.url");
  const std::string renewed = scan();
  EXPECT_NE(renewed, first);
  EXPECT_EQ(scan(), renewed);
  Shortcut(root + "d.url", "https://x.example/d");
  const std::string added = scan();
  EXPECT_NE(added, renewed);
  EXPECT_EQ(scan(), added) << "the cache written with a file added is taken whole";
}

// A cache is taken whole or not at all, and an entry whose times lie close to the last
// scan's start is read again.
TEST(ScanCache, TrustsNoEntryItCannotBeSureOf) {
  test::TempDir dir;
  const std::string path = dir.path() + "scan.cache";
  const auto start = ScanCache::Clock::now();
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(start.time_since_epoch()).count();
  const FileIdentity old{1, 2, 3, now - 10, 0, now - 10, 0},
      recent{1, 2, 3, now - 1, 0, now - 1, 0};
  ScanCache kept = ScanCache::Load(path, "/F/", {}, start);
  kept.Remember("old.url", old, R"(,"","old.url","https://old/","","","F")");
  kept.Remember("recent.url", recent, R"(,"","recent.url","https://recent/","","","F")");
  ASSERT_TRUE(kept.Save(path));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  const auto found = [&](const std::string& root, RecordLineForm form, const std::string& key,
                         FileIdentity identity) {
    return ScanCache::Load(path, root, form, start).Find(key, identity).has_value();
  };
  EXPECT_TRUE(found("/F/", {}, "old.url", old));
  EXPECT_FALSE(found("/F/", {}, "recent.url", recent));
  EXPECT_FALSE(found("/G/", {}, "old.url", old));
  EXPECT_FALSE(found("/F/", {true, false}, "old.url", old));
  EXPECT_FALSE(found("/F/", {false, true}, "old.url", old));
  // A file whose identity differs in any part is read again, never given another's line.
  for (std::int64_t FileIdentity::*part :
       {&FileIdentity::modifiedSeconds, &FileIdentity::modifiedNanoseconds,
        &FileIdentity::changedSeconds, &FileIdentity::changedNanoseconds}) {
    FileIdentity changed = old;
    changed.*part -= 1;
    EXPECT_FALSE(found("/F/", {}, "old.url", changed));
  }
  for (std::uint64_t FileIdentity::*part :
       {&FileIdentity::device, &FileIdentity::inode, &FileIdentity::size}) {
    FileIdentity changed = old;
    changed.*part += 1;
    EXPECT_FALSE(found("/F/", {}, "old.url", changed));
  }
  const std::string bytes = ReadFileBytes(path);
  const auto flipped = [&bytes](std::size_t at) {  // 20: in the version
    std::string damaged = bytes;
    damaged[at] ^= 0x20;
    return damaged;
  };
  for (const std::string& damaged :
       {flipped(20), flipped(bytes.size() / 2), bytes.substr(0, bytes.size() - 1)}) {
    WriteFileBytes(path, damaged);
    EXPECT_FALSE(found("/F/", {}, "old.url", old)) << damaged.size();
  }
}

// The cache keeps lines as written: a scan in another form (fields encoded or not) writes
// its own lines, never the ones kept, whether its cache was kept in the other form or is
// handed over in it.
TEST(ScanCache, GivesNoLineToAScanInAnotherForm) {
  test::TempDir dir;
  const std::string root = dir.path() + "Favorites/", cachePath = dir.path() + "scan.cache";
  fs::create_directories(root + "f");
  Shortcut(root + "a.url", "https://x.example/a");
  Shortcut(root + "f/b.url", "https://x.example/b");
  const auto scanStart = ScanCache::Clock::now() + std::chrono::minutes(1);
  for (const bool encodeKept : {false, true}) {
    ScanCache kept = ScanCache::Load(cachePath, root, {encodeKept, false}, scanStart);
    ScanOf(root, encodeKept, &kept);
    ASSERT_TRUE(kept.Save(cachePath));
    ScanCache handed = ScanCache::Load(cachePath, root, {encodeKept, false}, scanStart);
    EXPECT_EQ(ScanOf(root, !encodeKept, &handed).bytes, ScanOf(root, !encodeKept).bytes);
    ScanCache loaded = ScanCache::Load(cachePath, root, {!encodeKept, false}, scanStart);
    EXPECT_EQ(ScanOf(root, !encodeKept, &loaded).bytes, ScanOf(root, !encodeKept).bytes);
  }
}

}  // namespace
}  // namespace kestrin
