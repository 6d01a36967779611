// Crafted shared lists: none reaches outside the Favorites folder, none that is not whole
// and valid is applied, each refusal is a clear error line, and none blows up the memory.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>

#include "formats/radix64.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

// How far a run may raise the process's peak memory. Calibrated under the sanitized test
// build (redzones and quarantine included): the largest case, a million records, raises it
// by about 48 MB; read into records without the reader's ceilings it raised it by 309 MB.
constexpr long kMaxPeakGrowthKb = 160 * 1024;

std::string Quoted(std::initializer_list<std::string_view> fields, bool encode = false) {
  std::string line;
  for (const std::string_view field : fields) {
    line += line.empty() ? "\"" : ",\"";
    line += encode ? Radix64Encode(field) : std::string(field);
    line += '"';
  }
  return line + "\r\n";
}

std::string Shortcut(std::string_view path, std::string_view name, std::string_view url) {
  return Quoted({"1/1/2026", path, name, url, "", "", "F"});
}

std::string Folder(std::string_view path) {
  return Quoted({"1/1/2026", path, "", "", "", "", "D"});
}

const std::string kHeader = "Other@1/1/2026\r\n";

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) {
    repeated += text;
  }
  return repeated;
}

struct HostileList {
  std::string name;
  std::function<void(std::ostream&)> write;  // streamed, so the test holds none of it
  // The run's first error line after "Error: ", "*" standing for the downloaded file's path;
  // empty when the run must succeed.
  std::string error;
  // Refused whole: nothing changes below the Favorites folder or on the server. Otherwise
  // the list is applied but must stay inside the Favorites folder.
  bool refused = true;
  bool encrypted = false;
  // Links placed below home/Favorites/ before the run (home/Sibling/ holds Target.url).
  std::function<void(const std::string& home)> plant = nullptr;
};

void PrintTo(const HostileList& list, std::ostream* out) {
  *out << list.name;
}

// The reader's refusal of the downloaded list.
std::string Unreadable(std::string_view reason) {
  return "Unable to Read Remote Data File: *temp.dat: " + std::string(reason);
}

std::function<void(std::ostream&)> Bytes(std::string bytes) {
  return [bytes = std::move(bytes)](std::ostream& out) { out << bytes; };
}

// One record whose value, between `before` and `after`, is ten megabytes of `filler`.
std::function<void(std::ostream&)> WithTenMegabyteValue(std::string before, char filler,
                                                        std::string after) {
  return [before, filler, after](std::ostream& out) {
    out << kHeader << before;
    const std::string chunk(1 << 16, filler);
    for (int i = 0; i < 160; ++i) {
      out << chunk;
    }
    out << after;
  };
}

std::function<void(std::ostream&)> ListOf(std::string records) {
  return Bytes(kHeader + std::move(records));
}

const std::vector<HostileList> kLists = {
    {"ParentInPath", ListOf(Shortcut("..\\..\\", "x.url", "https://x/")),
     Unreadable("line 2: the shortcut record's Path is not a plain relative folder path ending in "
                "a backslash")},
    {"ParentAsName", ListOf(Shortcut("", "..", "https://x/")),
     Unreadable("line 2: the shortcut record's Name is not a plain file name")},
    {"ParentFolder", ListOf(Folder("Kept\\..\\..")),
     Unreadable("line 2: the folder record's Path is not a plain relative path")},
    {"AbsolutePath", ListOf(Folder("\\etc")),
     Unreadable("line 2: the folder record's Path is not a plain relative path")},
    {"SlashInName", ListOf(Shortcut("", "../x.url", "https://x/")),
     Unreadable("line 2: the shortcut record's Name is not a plain file name")},
    {"SlashInPath", ListOf(Shortcut("/tmp\\", "x.url", "https://x/")),
     Unreadable("line 2: the shortcut record's Path is not a plain relative folder path ending in "
                "a backslash")},
    {"CrLfInQuotedValue", ListOf(Shortcut("", "x.url", "https://x/\r\n\"a")),
     Unreadable("line 2: a double quote is not closed")},
    {"CrInQuotedValue", ListOf(Shortcut("", "x.url", "https://x/\ry")),
     Unreadable("line 2 holds a CR that does not end the line")},
    {"NulInValue", ListOf(Shortcut("", std::string("x\0.url", 6), "https://x/")),
     Unreadable("line 2 holds a NUL")},
    {"TenMegabyteField",
     WithTenMegabyteValue("\"1/1/2026\",\"\",\"Big.url\",\"https://", 'a',
                          "\",\"\",\"\",\"F\"\r\n"),
     Unreadable("line 2, field URL: longer than 8192 bytes")},
    {"TenMegabyteEncodedField",
     WithTenMegabyteValue("\"MS8xLzIwMjY=\",\"\",\"", 'Q', "\",\"\",\"\",\"\",\"RA==\"\r\n"),
     Unreadable("line 2, field Name: longer than 10924 bytes"), true, true},
    {"AMillionRecords",
     [](std::ostream& out) {
       out << kHeader;
       for (int i = 0; i < 1000000; ++i) {
         out << Folder("F" + std::to_string(i));
       }
     },
     Unreadable("the file holds more than 500000 records")},
    {"InvalidRadix64", ListOf(Quoted({"MS8xLzIwMjY=", "TGlua3M*", "", "", "", "", "RA=="})),
     Unreadable("line 2, field Path: not valid Radix-64"), true, true},
    {"EncodedParentInPath",
     ListOf(Quoted({"1/1/2026", "..\\", "x.url", "https://x/", "", "", "F"}, true)),
     Unreadable("line 2: the shortcut record's Path is not a plain relative folder path ending in "
                "a backslash"),
     true, true},
    {"EncodedLineBreak",
     ListOf(Quoted({"1/1/2026", "", "x.url", "https://x/\r\nURL=y", "", "", "F"}, true)),
     Unreadable("line 2, field URL: the decoded value holds CR, LF or NUL"), true, true},
    {"NoHeader", Bytes(Shortcut("", "x.url", "https://x/")),
     Unreadable("the header line holds a comma: it is not one field")},
    {"HeaderWithoutAtSign", Bytes("Other 1/1/2026\r\n" + Shortcut("", "x.url", "https://x/")),
     Unreadable("the header line holds no \"@\"")},
    {"TruncatedLastRecord",
     Bytes(kHeader + Shortcut("", "x.url", "https://x/") + "\"1/1/2026\",\"\",\"y.u"),
     Unreadable("the file does not end with CR LF: it ends inside line 3")},
    {"LineFeedsAlone", Bytes("Other@1/1/2026\n\"1/1/2026\",\"a\",\"\",\"\",\"\",\"\",\"D\"\n"),
     Unreadable("line 1 ends with LF alone, not CR LF")},
    {"EmptyFile", Bytes(""), Unreadable("the file is empty: it has no header line")},
    {"EightFields", ListOf(Quoted({"1/1/2026", "a", "", "", "", "", "D", ""})),
     Unreadable("line 2 has more than 7 fields")},
    {"UnknownType", ListOf(Quoted({"1/1/2026", "a", "", "", "", "", "L"})),
     Unreadable("line 2: the Type is neither \"D\" nor \"F\"")},
    {"GoodRecordsBeforeABadOne",
     ListOf(Shortcut("", "Good.url", "https://good/") + Folder("New") +
            Shortcut("..\\", "x.url", "https://x/")),
     Unreadable("line 4: the shortcut record's Path is not a plain relative folder path ending in "
                "a backslash")},
    {"DriveLetter", ListOf(Folder("C:\\Windows")),
     Unreadable("line 2: the Path begins with a drive letter")},
    {"ControlCharactersInName", ListOf(Shortcut("", "\x01\x1b[2J.url", "https://x/\x07")),
     Unreadable("line 2: the Name holds a control character")},
    {"TwoThousandLevels", ListOf(Folder(Repeated("d\\", 1999) + "d")),
     Unreadable("line 2: the Path is deeper than 64 folders")},
    {"LongPath", ListOf(Folder(Repeated(std::string(99, 'n') + "\\", 11) + "n")),
     Unreadable("line 2: the Path is longer than 1024 bytes")},
    {"NotAShortcutName", ListOf(Shortcut("", ".bashrc", "https://x/")),
     Unreadable("line 2: the shortcut record's Name does not end in \"url\"")},
    // Lists that are applied; what cannot be done is reported and nothing leaves the folder.
    {"NameOf300Bytes", ListOf(Shortcut("", std::string(296, 'n') + ".url", "https://x/")),
     "Unable to Create Shortcut: " + std::string(296, 'n') + ".url", false},
    {"DuplicateRecords",
     ListOf(Folder("Twice") + Folder("Twice") + Shortcut("Twice\\", "x.url", "https://1/") +
            Shortcut("Twice\\", "x.url", "https://2/")),
     "", false},
    {"FolderLinkToSibling",
     ListOf(Folder("Planted") + Shortcut("Planted\\", "x.url", "https://x/")),
     "Unable to Follow Link to Planted", false, false,
     [](const std::string& home) {
       fs::create_directory_symlink(home + "Sibling", home + "Favorites/Planted");
     }},
    {"FolderLinkToParent", ListOf(Shortcut("Up\\Sibling\\", "x.url", "https://x/")),
     "Unable to Follow Link to Up\\Sibling\\x.url", false, false,
     [](const std::string& home) { fs::create_directory_symlink(home, home + "Favorites/Up"); }},
    {"FileLinkToSibling", ListOf(Shortcut("", "Linked.url", "https://changed/")), "", false, false,
     [](const std::string& home) {
       fs::create_symlink(home + "Sibling/Target.url", home + "Favorites/Linked.url");
     }},
};

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Every entry below the folder, links unfollowed: file bytes, "<folder>" or the link target.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string relative = entry.path().string().substr(folder.size());
    if (entry.is_symlink()) {
      entries[relative] = "-> " + fs::read_symlink(entry.path()).string();
    } else {
      entries[relative] = entry.is_directory() ? "<folder>" : ReadFileBytes(entry.path());
    }
  }
  return entries;
}

std::map<std::string, std::string> OutsideFavorites(std::map<std::string, std::string> entries) {
  std::erase_if(entries, [](const auto& entry) { return entry.first.starts_with("Favorites"); });
  return entries;
}

// The text is the pattern, a "*" in the pattern standing for any text.
bool MatchesPattern(std::string_view text, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) {
    return text == pattern;
  }
  const std::string_view head = pattern.substr(0, star);
  const std::string_view tail = pattern.substr(star + 1);
  return text.size() >= head.size() + tail.size() && text.starts_with(head) && text.ends_with(tail);
}

class HostileListTest : public ::testing::TestWithParam<HostileList> {};

TEST_P(HostileListTest, StaysInsideTheFavoritesFolderAndIsNeverAppliedInPart) {
  const HostileList& list = GetParam();
  auto server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  ASSERT_TRUE(server);
  TempDir home;
  fs::create_directories(home.path() + "Favorites");
  fs::create_directories(home.path() + "Sibling");
  WriteFileBytes(home.path() + "Sibling/Target.url", "[InternetShortcut]\r\nURL=https://t/\r\n");
  WriteFileBytes(home.path() + "Beside.txt", "beside");

  Computer computer("A", *server);
  computer.env.favoritesRoot = home.path() + "Favorites/";
  computer.settings.UseEncryption = list.encrypted ? 1 : 0;
  computer.AddShortcut("Mine.url", "https://mine/");
  computer.AddShortcut("Kept/Deep.url", "https://deep/");
  if (list.plant) {
    list.plant(home.path());
  }
  const std::string listName = list.encrypted ? "favs.dat.enc" : "favs.dat";
  server->WriteFile(listName, "");
  {
    std::ofstream out(server->root() + listName, std::ios::binary | std::ios::trunc);
    list.write(out);
  }
  const auto servedTime = fs::last_write_time(server->root() + listName);
  const auto servedSize = fs::file_size(server->root() + listName);
  const auto before = Snapshot(home.path());

  const long peakBefore = PeakRssKb();
  const bool succeeded = computer.Sync();
  const long growth = PeakRssKb() - peakBefore;
  std::printf("peak RSS growth during the run: %ld KiB\n", growth);
  EXPECT_LT(growth, kMaxPeakGrowthKb);

  const auto after = Snapshot(home.path());
  EXPECT_EQ(OutsideFavorites(after), OutsideFavorites(before));
  EXPECT_FALSE(fs::exists(server->root() + "favs.ind"));
  const auto& lines = computer.display.lines;
  const auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Error: ");
  });
  EXPECT_EQ(succeeded, list.error.empty());
  if (!list.error.empty()) {
    ASSERT_NE(error, lines.end());
    EXPECT_TRUE(MatchesPattern(*error, "Error: " + list.error)) << *error;
  }
  if (list.refused) {
    EXPECT_EQ(after, before);
    EXPECT_EQ(fs::last_write_time(server->root() + listName), servedTime);
    EXPECT_EQ(fs::file_size(server->root() + listName), servedSize);
    EXPECT_EQ(Snapshot(server->root()).size(), 1u) << "only the served list";
  }
}

INSTANTIATE_TEST_SUITE_P(Lists, HostileListTest, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kestrin::test
