// Favorites scanner, on a real folder tree.

#include "favorites/scanner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "favorites/data_file.h"
#include "sync/change_detection.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t kFolderTime = 1796163330;    // 12/1/2026 10:15:30 PM UTC
constexpr std::time_t kFileTime = 1796025601;      // 11/30/2026 8:00:01 AM UTC
constexpr std::time_t kMidnightTime = 1796428800;  // 12/5/2026 0:00:00 UTC
constexpr char kFolderText[] = "12/1/2026 10:15:30 PM";
constexpr char kFileText[] = "11/30/2026 8:00:01 AM";

const std::string kLongUrl = "https://example.com/" + std::string(280, 'x');

void SetTime(const std::string& path, std::time_t when) {
  const timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Views of the arguments: each record goes into a list within the expression that makes it.
FavoriteRecord FolderRecord(std::string_view path, std::string_view modified = kFolderText) {
  return {modified, path, "", "", "", "", "D"};
}

FavoriteRecord ShortcutRecord(std::string_view path, std::string_view name,
                              std::string_view url = "", std::string_view iconFile = "",
                              std::string_view iconIndex = "") {
  return {kFileText, path, name, url, iconFile, iconIndex, "F"};
}

// Each record as its values between tabs, sorted: a list compared in no particular order.
std::vector<std::string> SortedRecords(const RecordList& records) {
  std::vector<std::string> texts;
  for (const FavoriteRecord& r : records) {
    std::string text;
    for (std::string_view value :
         {r.Modified, r.Path, r.Name, r.URL, r.IconFile, r.IconIndex, r.Type}) {
      text.append(value).append("\t");
    }
    texts.push_back(std::move(text));
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.path() + "Favorites/";
    const std::string outside = dir_.path() + "Outside/";
    fs::create_directories(outside);
    File(outside + "secret.url", "[InternetShortcut]\r\nURL=https://outside.example/\r\n");

    fs::create_directories(root_ + "Links/Work/News, Sport");
    fs::create_directories(root_ + "Links/Caf\xC3\xA9 Ol\xC3\xA9");
    fs::create_directories(root_ + "Empty");
    fs::create_directories(root_ + "Folder.url");
    fs::create_directories(root_ + "bad\\folder");

    File(root_ + "Root Page.url",
         "[DEFAULT]\r\nBASEURL=https://wrong.example/\r\n"
         "[InternetShortcut]\r\nURL=https://example.com/root\r\nIDList=\r\n"
         "IconFile=C:\\icons\\r.ico\r\nIconIndex=2\r\n");
    File(root_ + "News.URL", "[internetshortcut]\nurl =  https://news.example/  \n");
    File(root_ + "curl", "[InternetShortcut]\r\nURL=https://curl.se/\r\n");
    File(root_ + "notes.txt", "[InternetShortcut]\r\nURL=https://notes.example/\r\n");
    File(root_ + "NoSection.url", "just some text\n");
    File(root_ + "Long.url", "[InternetShortcut]\r\nURL=" + kLongUrl + "\r\n");
    File(root_ + "Quoted.url", "[InternetShortcut]\r\nURL=\"https://q.example/\"\r\n");
    File(root_ + "Folder.url/inside.url", "[InternetShortcut]\r\nURL=https://inside.example/\r\n");
    File(root_ + "Links/Work/Kestrin Home.url",
         "[InternetShortcut]\r\nURL=https://kestrin.example/\r\nIconFile=/usr/share/k.png\r\n"
         "IconIndex=0\r\n");
    File(root_ + "Links/Caf\xC3\xA9 Ol\xC3\xA9/Men\xC3\xBC.url",
         "[InternetShortcut]\r\nURL=https://caf\xC3\xA9.example/\r\n");
    File(root_ + "Links/Work/News, Sport/Scores.url",
         "[InternetShortcut]\r\nURL=https://scores.example/?a=1,2\r\n");

    // Entries the format cannot carry, or that are never followed.
    File(root_ + "a\\b.url", "[InternetShortcut]\r\nURL=https://backslash.example/\r\n");
    File(root_ + "bad\\folder/x.url", "[InternetShortcut]\r\nURL=https://x.example/\r\n");
    File(root_ + "line\nbreak.url", "[InternetShortcut]\r\nURL=https://lf.example/\r\n");
    File(root_ + "say \"hi\".url", "[InternetShortcut]\r\nURL=https://hi.example/\r\n");
    File(root_ + "Unquotable.url", "[InternetShortcut]\r\nURL=https://u.example/\"x\r\n");
    fs::create_directory_symlink(outside, root_ + "outside link");
    fs::create_symlink(root_ + "Root Page.url", root_ + "link.url");
    fs::create_symlink(root_ + "notes.txt", root_ + "link.txt");

    // Times last: making entries changes the times of their folders.
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
      if (entry.is_symlink()) {
        continue;
      }
      SetTime(entry.path().string(), entry.is_directory() ? kFolderTime : kFileTime);
    }
    SetTime(root_ + "Empty", kMidnightTime);
  }

  static void File(const std::string& path, const std::string& bytes) {
    test::WriteFileBytes(path, bytes);
  }

  // What the scanner must write, in no particular order.
  RecordList Expected(bool encode) const {
    RecordList records;
    for (const FavoriteRecord& record : {
             ShortcutRecord("", "Root Page.url", "https://example.com/root", "C:\\icons\\r.ico",
                            "2"),
             ShortcutRecord("", "News.URL", "https://news.example/"),
             ShortcutRecord("", "curl", "https://curl.se/"),
             ShortcutRecord("", "NoSection.url"),
             ShortcutRecord("", "Long.url", std::string_view(kLongUrl).substr(0, 254)),
             ShortcutRecord("", "Quoted.url", "https://q.example/"),
             FolderRecord("Empty", "12/5/2026"),
             FolderRecord("Folder.url"),
             ShortcutRecord("Folder.url\\", "inside.url", "https://inside.example/"),
             FolderRecord("Links"),
             FolderRecord("Links\\Work"),
             ShortcutRecord("Links\\Work\\", "Kestrin Home.url", "https://kestrin.example/",
                            "/usr/share/k.png", "0"),
             FolderRecord("Links\\Work\\News, Sport"),
             ShortcutRecord("Links\\Work\\News, Sport\\", "Scores.url",
                            "https://scores.example/?a=1,2"),
             FolderRecord("Links\\Caf\xC3\xA9 Ol\xC3\xA9"),
             ShortcutRecord("Links\\Caf\xC3\xA9 Ol\xC3\xA9\\", "Men\xC3\xBC.url",
                            "https://caf\xC3\xA9.example/"),
         }) {
      records.push_back(record);
    }
    if (encode) {  // double quotes travel only in Radix-64 form
      records.push_back(ShortcutRecord("", "say \"hi\".url", "https://hi.example/"));
      records.push_back(ShortcutRecord("", "Unquotable.url", "https://u.example/\"x"));
    }
    return records;
  }

  struct Scan {
    std::string bytes;
    std::vector<std::string> warnings;
    int yields = 0;
  };

  Scan Run(bool encode, GeneralDateFormat format = EnUsGeneralDateFormat()) const {
    Scan scan;
    std::ostringstream out;
    ScanOptions options;
    options.encode = encode;
    options.dateFormat = format;
    options.yield = [&scan] { ++scan.yields; };
    options.warn = [&scan](const std::string& text) { scan.warnings.push_back(text); };
    ScanFavoritesFolder(root_, out, options);
    scan.bytes = out.str();
    return scan;
  }

  static RecordList Records(const Scan& scan, bool decode) {
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile("Study@12/5/2026\r\n" + scan.bytes, decode);
    EXPECT_TRUE(file) << file.error();
    return file ? file->records : RecordList{};
  }

  test::TempDir dir_;
  std::string root_;
};

TEST_F(ScannerTest, WritesARecordForEveryEntryItCanCarry) {
  const Scan scan = Run(false);
  EXPECT_EQ(SortedRecords(Records(scan, false)), SortedRecords(Expected(false)));
  // The caller's window stays responsive during a long scan.
  EXPECT_GT(scan.yields, 0);
}

TEST_F(ScannerTest, EncodedScanReadsBackDecoded) {
  const Scan scan = Run(true);
  EXPECT_EQ(SortedRecords(Records(scan, true)), SortedRecords(Expected(true)));
  // Every field is quoted Radix-64: no plain text of a name in the bytes.
  EXPECT_EQ(scan.bytes.find("Links"), std::string::npos);
  EXPECT_NE(scan.bytes.find("\"RA==\"\r\n"), std::string::npos);
  EXPECT_NE(scan.bytes.find("\"Rg==\"\r\n"), std::string::npos);
}

TEST_F(ScannerTest, WarnsAboutEveryEntryItLeavesOut) {
  const Scan scan = Run(false);
  const std::vector<std::string> expected = {
      "a\\b.url: its name holds a backslash, which the favorites data file "
      "cannot carry",
      "bad\\folder: its name holds a backslash, which the favorites data "
      "file cannot carry",
      "line\nbreak.url: the Name holds a control character",
      "say \"hi\".url: its name holds a double quote, which the favorites "
      "data file can carry only with encryption on",
      "Unquotable.url: a value holds a double quote, which the favorites "
      "data file can carry only with encryption on",
      "outside link: symbolic links are not followed",
      "link.url: symbolic links are not followed",
  };
  std::vector<std::string> warnings = scan.warnings;
  std::vector<std::string> sortedExpected = expected;
  std::sort(warnings.begin(), warnings.end());
  std::sort(sortedExpected.begin(), sortedExpected.end());
  EXPECT_EQ(warnings, sortedExpected);
  // Nothing from beyond the link or below the folder that was left out.
  EXPECT_EQ(scan.bytes.find("outside.example"), std::string::npos);
  EXPECT_EQ(scan.bytes.find("x.example"), std::string::npos);
}

// Removes a folder the moment its record has been written, before the scanner enumerates it.
class RemovingBuffer : public std::stringbuf {
 public:
  RemovingBuffer(std::string marker, std::function<void()> action)
      : marker_(std::move(marker)), action_(std::move(action)) {}

 protected:
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    const std::streamsize written = std::stringbuf::xsputn(data, count);
    if (action_ && std::string_view(data, static_cast<std::size_t>(count)).find(marker_) !=
                       std::string_view::npos) {
      action_();
      action_ = nullptr;
    }
    return written;
  }

 private:
  std::string marker_;
  std::function<void()> action_;
};

// Whatever bytes the names hold and however deep the folders, the reader and the engine take
// every record the scan writes.
TEST(ScanFavoritesFolder, WritesOnlyRecordsEveryComputerTakes) {
  test::TempDir dir;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '/') {
      const std::string name = "ab" + std::string(1, static_cast<char>(byte));
      fs::create_directory(dir.path() + name);
      test::WriteFileBytes(dir.path() + name + "/" + name + ".url",
                           "[InternetShortcut]\r\nURL=https://x/" + name + "\r\n");
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
    std::ostringstream out;
    ScanOptions options;
    options.encode = encode;
    ScanFavoritesFolder(dir.path(), out, options);
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile("Study@12/5/2026\r\n" + out.str(), encode);
    ASSERT_TRUE(file) << file.error();
    EXPECT_TRUE(CheckRecords(*file));
    EXPECT_GE(file->records.size(), 2u * 220) << "every name without a control character, "
                                                 "backslash or (unencoded) double quote";
  }
}

TEST(ScanFavoritesFolder, RefusesToScanWithoutAFavoritesFolder) {
  for (const char* root : {"", "/", "relative"}) {
    std::ostringstream out;
    std::vector<std::string> warnings;
    ScanOptions options;
    options.warn = [&warnings](const std::string& text) { warnings.push_back(text); };
    ScanFavoritesFolder(root, out, options);
    EXPECT_EQ(out.str(), "") << root;
    ASSERT_EQ(warnings.size(), 1u) << root;
    EXPECT_EQ(warnings[0], "\"" + std::string(root) + "\": not a Favorites folder to scan");
  }
}

}  // namespace
}  // namespace kestrin
