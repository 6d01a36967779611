// Favorites data file: the bytes written, and a reader that takes a file whole
// and valid or not at all.

#include "favorites/data_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "formats/radix64.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

// Views of the arguments: each record is used within the expression that makes it.
FavoriteRecord Folder(std::string_view modified, std::string_view path) {
  return {modified, path, "", "", "", "", "D"};
}

FavoriteRecord Shortcut(std::string_view modified, std::string_view path, std::string_view name,
                        std::string_view url, std::string_view iconFile = "",
                        std::string_view iconIndex = "") {
  return {modified, path, name, url, iconFile, iconIndex, "F"};
}

std::string Header(std::string_view name, const DateTime& when) {
  std::ostringstream out;
  WriteDataFileHeader(out, name, when, EnUsGeneralDateFormat());
  return out.str();
}

std::string Line(const FavoriteRecord& record, bool encode) {
  std::ostringstream out;
  WriteFavoriteRecord(out, record, encode);
  return out.str();
}

const char kSample[] =
    "Study@12/5/2026 4:08:51 AM\r\n"
    "\"11/30/2026 8:00:01 AM\",\"Links\",\"\",\"\",\"\",\"\",\"D\"\r\n"
    "\"12/1/2026 10:15:30 PM\",\"Links\\Work\",\"\",\"\",\"\",\"\",\"D\"\r\n";

const FavoriteRecord kLinks = Folder("11/30/2026 8:00:01 AM", "Links");
const FavoriteRecord kWork = Folder("12/1/2026 10:15:30 PM", "Links\\Work");

TEST(DataFile, SampleFileByteForByteBothWays) {
  EXPECT_EQ(Header("Study", {2026, 12, 5, 4, 8, 51}) + Line(kLinks, false) + Line(kWork, false),
            kSample);
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(kSample, false);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "Study");
  EXPECT_EQ(file->header.WrittenAt, "12/5/2026 4:08:51 AM");
  ASSERT_EQ(file->records.size(), 2u);
  EXPECT_EQ(file->records[0], kLinks);
  EXPECT_EQ(file->records[1], kWork);
}

TEST(DataFile, EncodedRecordsByteForByteAndAHeaderThatStaysPlain) {
  const std::string work = Line(kWork, true);
  EXPECT_EQ(work,
            "\"MTIvMS8yMDI2IDEwOjE1OjMwIFBN\",\"TGlua3NcV29yaw==\",\"\",\"\",\"\",\"\","
            "\"RA==\"\r\n");
  EXPECT_TRUE(
      Line(Shortcut("1/1/1900", "", "a.url", "http://x/"), true).ends_with(",\"Rg==\"\r\n"));
  const std::string bytes = "Study@12/5/2026 4:08:51 AM\r\n" + work;
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(bytes, true);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "Study");
  ASSERT_EQ(file->records.size(), 1u);
  EXPECT_EQ(file->records[0], kWork);
  // Read without decoding, its Type is no "D" or "F": a mismatched setting is refused.
  EXPECT_EQ(ParseFavoritesDataFile(bytes, false).error(),
            "line 2: the Type is neither \"D\" nor \"F\"");
}

// Blanks before a field and anything between a closing quote and the comma are skipped;
// unquoted values run to the comma without trailing blanks; the header ends at a second "@".
TEST(DataFile, ToleratesBlanksAndTextAroundFields) {
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(
      "  Study@1/1/2026@rest  \r\n"
      " \"1/1/2026\" , \"Links\"x,\"\",\"\",\"\",\"\",\"D\"  \r\n"
      "1/1/2026 ,Links\\A  ,,,,,D\r\n",
      false);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "Study");
  EXPECT_EQ(file->header.WrittenAt, "1/1/2026");
  ASSERT_EQ(file->records.size(), 2u);
  EXPECT_EQ(file->records[0], Folder("1/1/2026", "Links"));
  EXPECT_EQ(file->records[1], Folder("1/1/2026", "Links\\A"));
}

// --- Refusing everything else --------------------------------------------------------------

void ExpectRefused(const std::string& bytes, bool decode, const std::string& reason) {
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(bytes, decode);
  ASSERT_FALSE(file) << "accepted: " << bytes;
  EXPECT_EQ(file.error(), reason) << bytes;
}

const std::string kHeader = "Study@12/5/2026 4:08:51 AM\r\n";
const std::string kRecord = "\"1/1/2026\",\"Links\",\"\",\"\",\"\",\"\",\"D\"";

// Refusals the hostile-list suite does not already reach through a real run.
TEST(ParseDataFileRefuses, MalformedLinesAndPathsThatLeaveTheFavoritesFolder) {
  const auto row = [](const std::string& path, const std::string& name, const std::string& type) {
    return kHeader + "\"1/1/2026\",\"" + path + "\",\"" + name + "\",\"\",\"\",\"\",\"" + type +
           "\"\r\n";
  };
  const auto decodedUrl = [](const std::string& url) {  // 1/1/2026, Links
    return kHeader + "\"MS8xLzIwMjY=\",\"TGlua3M=\",\"\",\"" + url + "\",\"\",\"\",\"RA==\"\r\n";
  };
  const std::string folderPath = "line 2: the folder record's Path is not a plain relative path";
  const std::string shortcutPath =
      "line 2: the shortcut record's Path is not a plain relative folder path ending in a "
      "backslash";
  const std::string name = "line 2: the shortcut record's Name is not a plain file name";
  const std::string decoded = "line 2, field URL: the decoded value holds CR, LF or NUL";
  const struct {
    std::string bytes;
    std::string reason;
    bool decode = false;
  } cases[] = {
      // A quoted header ends at its closing quote.
      {"\"Study\"@12/5/2026\r\n", "the header line holds no \"@\""},
      {"\"Study@12/5/2026\r\n", "the header line: a double quote is not closed"},
      {"Study@12/5/2026", "the file does not end with CR LF: it ends inside line 1"},
      {kHeader + "\n", "line 2 ends with LF alone, not CR LF"},
      {kHeader + kRecord + "\r\r\n", "line 2 holds a CR that does not end the line"},
      {std::string("Stu\0dy@1/1/2026\r\n", 17), "line 1 holds a NUL"},
      {kHeader + "\r\n", "line 2 has 1 field, not 7"},
      // A record cut in two by a line end: each half is refused rather than joined.
      {kHeader + "\"1/1/2026\",\"Links\",\"\"\r\n\"\",\"\",\"\",\"D\"\r\n",
       "line 2 has 3 fields, not 7"},
      // A quote inside a value ends it early (the format has no escape).
      {kHeader + "\"1/1/2026\",\"Links,\"\",\"\",\"\",\"\",\"D\"\r\n",
       "line 2 has 6 fields, not 7"},
      {kHeader + "\"RA==\",\"TGlua3M=\",\"\",\"\",\"\",\"\",\"R A==\"\r\n",
       "line 2, field Type: not valid Radix-64", true},
      {row("Links", "", "d"), "line 2: the Type is neither \"D\" nor \"F\""},
      {row("Links", "", "DF"), "line 2: the Type is neither \"D\" nor \"F\""},
      {decodedUrl("Cg=="), decoded, true},  // LF
      {decodedUrl("AA=="), decoded, true},  // NUL
      {decodedUrl("YQ1i"), decoded, true},  // a CR b
      {row("", "", "D"), folderPath},
      {row("Links\\", "", "D"), folderPath},
      {row("Links\\..", "", "D"), folderPath},
      {row(".\\Links", "", "D"), folderPath},
      {row("Links\\\\A", "", "D"), folderPath},
      {row("Links/../..", "", "D"), folderPath},
      {row("Links", "a.url", "F"), shortcutPath},
      {row("\\Links\\", "a.url", "F"), shortcutPath},
      {row("Links\\", "", "F"), name},
      {row("Links\\", "a\\b.url", "F"), name},
      {row("Links", "a.url", "D"), "line 2: a folder record has a Name"},
  };
  for (const auto& c : cases) {
    ExpectRefused(c.bytes, c.decode, c.reason);
  }
}

// The ceilings that keep a hostile list from taking the memory, each tried on both sides.
TEST(ParseDataFileRefuses, ListsBeyondTheCeilings) {
  const std::string longest(kMaxDataFileValueBytes, 'u');
  for (const bool encode : {false, true}) {
    SCOPED_TRACE(encode ? "encoded" : "plain");
    const std::string fits = kHeader + Line(Shortcut("1/1/2026", "", "a.url", longest), encode);
    EXPECT_TRUE(ParseFavoritesDataFile(fits, encode));
    ExpectRefused(kHeader + Line(Shortcut("1/1/2026", "", "a.url", longest + "uuu"), encode),
                  encode,
                  encode ? "line 2, field URL: longer than 10924 bytes"
                         : "line 2, field URL: longer than 8192 bytes");
  }
  ExpectRefused(longest + "@1/1/2026\r\n", false, "the header line is longer than 8192 bytes");

  // Counted before anything is stored: lines that are no records still count.
  std::string lines = kHeader;
  for (std::size_t i = 0; i < kMaxDataFileRecords; ++i) {
    lines += "\r\n";
  }
  ExpectRefused(lines, false, "line 2 has 1 field, not 7");
  ExpectRefused(lines + "\r\n", false, "the file holds more than 500000 records");
}

TEST(ReadDataFileRefuses, AFileBeyondTheSizeCeilingUnread) {
  test::TempDir dir;
  const std::string path = dir.path() + "temp.dat";
  test::WriteFileBytes(path, kHeader);
  // Sparse: no disk space is taken, and the size alone refuses it.
  ASSERT_EQ(::truncate(path.c_str(), kMaxDataFileBytes + 1), 0);
  const Result<FavoritesDataFile> file = ReadFavoritesDataFile(path, false);
  ASSERT_FALSE(file);
  EXPECT_EQ(file.error(), path + ": the file is larger than 268435456 bytes");
}

// --- Computer names -------------------------------------------------------------------------

TEST(CheckComputerName, NamesTheHeaderCannotCarry) {
  for (const auto& [name, problem] : std::vector<std::pair<std::string, std::string>>{
           {"", "the computer name is empty"},
           {"Study,Hall", "the computer name holds a comma"},
           {"me@home", "the computer name holds an at-sign"},
           {"Stu\tdy", "the computer name holds a control character"},
           {"Study ", "the computer name begins or ends with a blank"}}) {
    EXPECT_EQ(CheckComputerName(name).error(), problem);
  }
  // Every name without a problem reads back as written.
  for (const char* name : {"Study", "Desk 2 (Hall)", "Arbeitsplatz-M\xC3\xBCller"}) {
    ASSERT_TRUE(CheckComputerName(name));
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile(Header(name, {2026, 12, 5, 4, 8, 51}), false);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->header.ComputerName, name);
  }
}

}  // namespace
}  // namespace kestrin
