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
#include "formats/sealed_file.h"
#include "sync/shared_list_form.h"
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
    line +=
        (line.empty() ? "\"" : ",\"") + (encode ? Radix64Encode(field) : std::string(field)) + '"';
  }
  return line + "\r\n";
}

std::string Shortcut(std::string_view path, std::string_view name,
                     std::string_view url = "https://x/") {
  return Quoted({"1/1/2026", path, name, url, "", "", "F"});
}

std::string WithIcon(std::string_view url, std::string_view iconFile) {
  return Quoted({"1/1/2026", "", "x.url", url, iconFile, "0", "F"});
}

std::string Folder(std::string_view path) {
  return Quoted({"1/1/2026", path, "", "", "", "", "D"});
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  while (times-- > 0) {
    repeated += text;
  }
  return repeated;
}

using Writer = std::function<void(std::ostream&)>;  // streamed, so the test holds none of it
const std::string kHeader = "Other@1/1/2026\r\n";

Writer Bytes(std::string bytes) {
  return [bytes = std::move(bytes)](std::ostream& out) { out << bytes; };
}

Writer ListOf(const std::string& records) {
  return Bytes(kHeader + records);
}

// One record whose value, between `before` and `after`, is ten megabytes of `filler`.
Writer WithTenMegabyteValue(std::string before, char filler, std::string after) {
  return [before, filler, after](std::ostream& out) {
    out << kHeader << before;
    for (int i = 0; i < 160; ++i) {
      out << std::string(1 << 16, filler);
    }
    out << after;
  };
}

struct HostileList {
  std::string name;
  Writer write;
  // Why the reader refuses the list: then nothing changes below the Favorites folder or on
  // the server. Empty for a list that is applied but must stay inside the Favorites folder.
  std::string refusal;
  bool encrypted = false;
  // For applied lists: the run's first error line after "Error: ", empty when it succeeds.
  std::string error = "";
  // Links placed below home/Favorites/ before the run (home/Sibling/ holds Target.url).
  std::function<void(const std::string& home)> plant = nullptr;
  std::string passphrase = "";  // of the computer: not empty, the list is sealed
};

void PrintTo(const HostileList& list, std::ostream* out) {
  *out << list.name;
}

HostileList Applied(std::string name, const std::string& records, std::string error,
                    std::function<void(const std::string& home)> plant = nullptr) {
  return {std::move(name), ListOf(records), "", false, std::move(error), std::move(plant)};
}

// A list sealed with "right", then changed; the computer opens it with `passphrase`.
HostileList Sealed(std::string name, std::string refusal, std::function<void(std::string&)> change,
                   std::string passphrase = "right") {
  const Writer write = [change](std::ostream& out) {
    std::string sealed = *SealBytes(kHeader + Shortcut("", "x.url"), "right", {});
    if (change) {
      change(sealed);
    }
    out << sealed;
  };
  return {std::move(name), write, std::move(refusal), true, "", nullptr, std::move(passphrase)};
}
const std::string kNotOpened =
    "the passphrase is not the one it was sealed with, or the file was changed";

const std::string kShortcutPath =
    "the shortcut record's Path is not a plain relative folder path ending in a backslash";
const std::string kShortcutName = "the shortcut record's Name is not a plain file name";
const std::string kFolderPath = "the folder record's Path is not a plain relative path";

const std::vector<HostileList> kLists = {
    {"ParentInPath", ListOf(Shortcut("..\\..\\", "x.url")), "line 2: " + kShortcutPath},
    {"ParentAsName", ListOf(Shortcut("", "..")), "line 2: " + kShortcutName},
    {"ParentFolder", ListOf(Folder("Kept\\..\\..")), "line 2: " + kFolderPath},
    {"AbsolutePath", ListOf(Folder("\\etc")), "line 2: " + kFolderPath},
    {"SlashInName", ListOf(Shortcut("", "../x.url")), "line 2: " + kShortcutName},
    {"SlashInPath", ListOf(Shortcut("/tmp\\", "x.url")), "line 2: " + kShortcutPath},
    {"CrLfInQuotedValue", ListOf(Shortcut("", "x.url", "https://x/\r\n\"a")),
     "line 2: a double quote is not closed"},
    {"CrInQuotedValue", ListOf(Shortcut("", "x.url", "https://x/\ry")),
     "line 2 holds a CR that does not end the line"},
    {"NulInValue", ListOf(Shortcut("", std::string("x\0.url", 6))), "line 2 holds a NUL"},
    {"TenMegabyteField",
     WithTenMegabyteValue("\"1/1/2026\",\"\",\"Big.url\",\"https://", 'a',
                          "\",\"\",\"\",\"F\"\r\n"),
     "line 2, field URL: longer than 8192 bytes"},
    {"TenMegabyteEncodedField",
     WithTenMegabyteValue("\"MS8xLzIwMjY=\",\"\",\"", 'Q', "\",\"\",\"\",\"\",\"RA==\"\r\n"),
     "line 2, field Name: longer than 10924 bytes", true},
    {"AMillionRecords",
     [](std::ostream& out) {
       out << kHeader;
       for (int i = 0; i < 1000000; ++i) {
         out << Folder("F" + std::to_string(i));
       }
     },
     "the file holds more than 500000 records"},
    {"InvalidRadix64", ListOf(Quoted({"MS8xLzIwMjY=", "TGlua3M*", "", "", "", "", "RA=="})),
     "line 2, field Path: not valid Radix-64", true},
    {"EncodedParentInPath",
     ListOf(Quoted({"1/1/2026", "..\\", "x.url", "https://x/", "", "", "F"}, true)),
     "line 2: " + kShortcutPath, true},
    {"EncodedLineBreak",
     ListOf(Quoted({"1/1/2026", "", "x.url", "https://x/\r\nURL=y", "", "", "F"}, true)),
     "line 2, field URL: the decoded value holds CR, LF or NUL", true},
    {"NoHeader", Bytes(Shortcut("", "x.url")),
     "the header line holds a comma: it is not one field"},
    {"HeaderWithoutAtSign", Bytes("Other 1/1/2026\r\n" + Shortcut("", "x.url")),
     "the header line holds no \"@\""},
    {"TruncatedLastRecord", ListOf(Shortcut("", "x.url") + "\"1/1/2026\",\"\",\"y.u"),
     "the file does not end with CR LF: it ends inside line 3"},
    {"LineFeedsAlone", Bytes("Other@1/1/2026\n\"1/1/2026\",\"a\",\"\",\"\",\"\",\"\",\"D\"\n"),
     "line 1 ends with LF alone, not CR LF"},
    {"EmptyFile", Bytes(""), "the file is empty: it has no header line"},
    {"EightFields", ListOf(Quoted({"1/1/2026", "a", "", "", "", "", "D", ""})),
     "line 2 has more than 7 fields"},
    {"UnknownType", ListOf(Quoted({"1/1/2026", "a", "", "", "", "", "L"})),
     "line 2: the Type is neither \"D\" nor \"F\""},
    {"GoodRecordsBeforeABadOne",
     ListOf(Shortcut("", "Good.url") + Folder("New") + Shortcut("..\\", "x.url")),
     "line 4: " + kShortcutPath},
    {"DriveLetter", ListOf(Folder("C:\\Windows")), "line 2: the Path begins with a drive letter"},
    {"ControlCharactersInName", ListOf(Shortcut("", "\x01\x1b[2J.url", "https://x/\x07")),
     "line 2: the Name holds a control character"},
    {"TwoThousandLevels", ListOf(Folder(Repeated("d\\", 1999) + "d")),
     "line 2: the Path is deeper than 64 folders"},
    {"LongPath", ListOf(Folder(Repeated(std::string(99, 'n') + "\\", 11) + "n")),
     "line 2: the Path is longer than 1024 bytes"},
    {"NotAShortcutName", ListOf(Shortcut("", ".bashrc")),
     "line 2: the shortcut record's Name does not end in \"url\""},
    // Windows connects to another host to show such an icon or open such a file, sending the
    // user's login hash.
    {"IconFileOnAnotherHost", ListOf(WithIcon("https://x/", "\\\\evil\\share\\x.ico")),
     "line 2: the IconFile names another host"},
    {"IconFileWithSlashes", ListOf(WithIcon("https://x/", "//evil/share/x.ico")),
     "line 2: the IconFile names another host"},
    {"IconFileAsFileUrl", ListOf(WithIcon("https://x/", "FILE://evil/x.ico")),
     "line 2: the IconFile names another host"},
    {"FileUrlWithHost", ListOf(WithIcon("file://evil/share/page.html", "")),
     "line 2: the URL names another host"},
    {"FileUrlWithUncPath", ListOf(WithIcon("file:////evil/share/page.html", "")),
     "line 2: the URL names another host"},
    {"FileUrlWithEncodedUncPath", ListOf(WithIcon("file:///%5C%5Cevil/share/page.html", "")),
     "line 2: the URL names another host"},
    {"UrlAsUncPath", ListOf(WithIcon("\\\\evil\\share\\page.html", "")),
     "line 2: the URL names another host"},
    Sealed("SealedWrongPassphrase", kNotOpened, nullptr, "wrong"),
    Sealed("SealedFlippedByte", kNotOpened, [](std::string& s) { s[s.size() - 20] ^= 1; }),
    Sealed("SealedTruncated", "the file is cut short", [](std::string& s) { s.resize(60); }),
    Sealed("SealedHugeLimits",
           "the key derivation asks for 2 passes over 1099578736640 bytes, outside 1 to 4 "
           "passes over 8192 to 268435456 bytes",
           [](std::string& s) { s[16] = 1; }),  // memlimit + 1 TiB
    // Lists that are applied; what cannot be done is reported and nothing leaves the folder.
    Applied("NameOf300Bytes", Shortcut("", std::string(296, 'n') + ".url"),
            "Unable to Create Shortcut: " + std::string(296, 'n') + ".url"),
    Applied("LocalFileUrlsAndIcons",
            WithIcon("file:///home/page.html", "C:\\icons\\x.ico") +
                Quoted({"1/1/2026", "", "y.url", "file://localhost/page.html", "/icons/y.ico", "",
                        "F"}),
            ""),
    Applied("DuplicateRecords",
            Folder("Twice") + Folder("Twice") + Shortcut("Twice\\", "x.url", "https://1/") +
                Shortcut("Twice\\", "x.url", "https://2/"),
            ""),
    Applied("FolderLinkToSibling", Folder("Planted") + Shortcut("Planted\\", "x.url"),
            "Unable to Follow Link to Planted",
            [](const std::string& home) {
              fs::create_directory_symlink(home + "Sibling", home + "Favorites/Planted");
            }),
    Applied(
        "FolderLinkToParent", Shortcut("Up\\Sibling\\", "x.url"),
        "Unable to Follow Link to Up\\Sibling\\x.url",
        [](const std::string& home) { fs::create_directory_symlink(home, home + "Favorites/Up"); }),
    Applied("FileLinkToSibling", Shortcut("", "Linked.url", "https://changed/"), "",
            [](const std::string& home) {
              fs::create_symlink(home + "Sibling/Target.url", home + "Favorites/Linked.url");
            }),
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
    entries[relative] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                        : entry.is_directory() ? "<folder>"
                                               : ReadFileBytes(entry.path());
  }
  return entries;
}

std::map<std::string, std::string> OutsideFavorites(std::map<std::string, std::string> entries) {
  std::erase_if(entries, [](const auto& entry) { return entry.first.starts_with("Favorites"); });
  return entries;
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
  computer.settings.Passphrase = list.passphrase;
  const SharedListForm form = SharedListFormOf(computer.settings);
  computer.AddShortcut("Mine.url", "https://mine/");
  computer.AddShortcut("Kept/Deep.url", "https://deep/");
  if (list.plant) {
    list.plant(home.path());
  }
  const std::string served = server->root() + form.name;
  {
    std::ofstream out(served, std::ios::binary);
    list.write(out);
  }
  const auto servedTime = fs::last_write_time(served);
  const auto before = Snapshot(home.path());

  const long peakBefore = PeakRssKb();
  const bool succeeded = computer.Sync();
  const long growth = PeakRssKb() - peakBefore;
  std::printf("peak RSS growth during the run: %ld KiB\n", growth);
  EXPECT_LT(growth, kMaxPeakGrowthKb);

  const auto after = Snapshot(home.path());
  EXPECT_EQ(OutsideFavorites(after), OutsideFavorites(before));
  EXPECT_FALSE(fs::exists(server->root() + "favs.ind"));
  const std::string error = list.refusal.empty()
                                ? list.error
                                : "Unable to Read Remote Data File: " +
                                      form.ServerCopyOf(computer.env.workFolder + "temp.dat") +
                                      ": " + list.refusal;
  EXPECT_EQ(succeeded, error.empty());
  const auto& lines = computer.display.lines;
  const auto errorLine = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Error: ");
  });
  EXPECT_EQ(errorLine == lines.end() ? "" : *errorLine, error.empty() ? "" : "Error: " + error);
  if (!list.refusal.empty()) {
    EXPECT_EQ(after, before);
    EXPECT_EQ(fs::last_write_time(served), servedTime);
    EXPECT_EQ(Snapshot(server->root()).size(), 1u) << "only the served list, unchanged";
  }
}

INSTANTIATE_TEST_SUITE_P(Lists, HostileListTest, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kestrin::test
