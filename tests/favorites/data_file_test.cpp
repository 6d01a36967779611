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

// --- Writing ---------------------------------------------------------------------------

TEST(WriteDataFile, SampleFileByteForByte) {
  const std::string bytes =
      Header("Study", {2026, 12, 5, 4, 8, 51}) + Line(kLinks, false) + Line(kWork, false);
  EXPECT_EQ(bytes, kSample);
}

TEST(WriteDataFile, EncodedSampleRecordByteForByte) {
  EXPECT_EQ(Line(kWork, true),
            "\"MTIvMS8yMDI2IDEwOjE1OjMwIFBN\",\"TGlua3NcV29yaw==\",\"\",\"\",\"\",\"\","
            "\"RA==\"\r\n");
  const std::string shortcut = Line(Shortcut("1/1/1900", "", "a.url", "http://x/"), true);
  EXPECT_EQ(shortcut.substr(shortcut.size() - 9), ",\"Rg==\"\r\n");
}

// --- Reading whole, valid files ----------------------------------------------------------

TEST(ParseDataFile, SampleFile) {
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(kSample, false);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "Study");
  EXPECT_EQ(file->header.WrittenAt, "12/5/2026 4:08:51 AM");
  ASSERT_EQ(file->records.size(), 2u);
  EXPECT_EQ(file->records[0], kLinks);
  EXPECT_EQ(file->records[1], kWork);
}

TEST(ParseDataFile, HeaderSplitsAtTheFirstAndSecondAtSign) {
  Result<FavoritesDataFile> file = ParseFavoritesDataFile("A@1/1/2026@rest@more\r\n", false);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "A");
  EXPECT_EQ(file->header.WrittenAt, "1/1/2026");
}

TEST(ParseDataFile, EncodedFileIsDecodedButItsHeaderIsNot) {
  const std::string bytes = "Study@12/5/2026 4:08:51 AM\r\n" + Line(kWork, true);
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(bytes, true);
  ASSERT_TRUE(file) << file.error();
  EXPECT_EQ(file->header.ComputerName, "Study");
  ASSERT_EQ(file->records.size(), 1u);
  EXPECT_EQ(file->records[0], kWork);
  // Read without decoding, its Type is no "D" or "F": a mismatched setting is refused.
  const Result<FavoritesDataFile> raw = ParseFavoritesDataFile(bytes, false);
  ASSERT_FALSE(raw);
  EXPECT_EQ(raw.error(), "line 2: the Type is neither \"D\" nor \"F\"");
}

TEST(ParseDataFile, ToleratesBlanksAndTextAroundQuotedFields) {
  // Blanks before a field are skipped; anything between a closing quote and the comma is
  // skipped; unquoted values run to the comma without trailing blanks.
  const Result<FavoritesDataFile> file = ParseFavoritesDataFile(
      "  Study@1/1/2026  \r\n"
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
TEST(ParseDataFileRefuses, MalformedLines) {
  struct Case {
    std::string bytes;
    bool decode;
    std::string reason;
  };
  const std::string record = "\"1/1/2026\",\"Links\",\"\",\"\",\"\",\"\",\"";
  const std::string folderStart = "\"MS8xLzIwMjY=\",\"TGlua3M=\",\"\",";  // 1/1/2026, Links
  const Case cases[] = {
      // A quoted header ends at its closing quote.
      {"\"Study\"@12/5/2026\r\n", false, "the header line holds no \"@\""},
      {"\"Study@12/5/2026\r\n", false, "the header line: a double quote is not closed"},
      {"Study@12/5/2026", false, "the file does not end with CR LF: it ends inside line 1"},
      {kHeader + "\n", false, "line 2 ends with LF alone, not CR LF"},
      {kHeader + kRecord + "\r\r\n", false, "line 2 holds a CR that does not end the line"},
      {std::string("Stu\0dy@1/1/2026\r\n", 17), false, "line 1 holds a NUL"},
      {kHeader + "\r\n", false, "line 2 has 1 field, not 7"},
      // A record cut in two by a line end: each half is refused rather than joined.
      {kHeader + "\"1/1/2026\",\"Links\",\"\"\r\n\"\",\"\",\"\",\"D\"\r\n", false,
       "line 2 has 3 fields, not 7"},
      // A quote inside a value ends it early (the format has no escape).
      {kHeader + "\"1/1/2026\",\"Links,\"\",\"\",\"\",\"\",\"D\"\r\n", false,
       "line 2 has 6 fields, not 7"},
      {kHeader + "\"RA==\",\"TGlua3M=\",\"\",\"\",\"\",\"\",\"R A==\"\r\n", true,
       "line 2, field Type: not valid Radix-64"},
      {kHeader + record + "d\"\r\n", false, "line 2: the Type is neither \"D\" nor \"F\""},
      {kHeader + record + "DF\"\r\n", false, "line 2: the Type is neither \"D\" nor \"F\""},
  };
  for (const Case& c : cases) {
    ExpectRefused(c.bytes, c.decode, c.reason);
  }
  for (const char* bad : {"Cg==", "AA==", "YQ1i"}) {  // LF, NUL, a CR b
    ExpectRefused(kHeader + folderStart + "\"" + bad + "\",\"\",\"\",\"RA==\"\r\n", true,
                  "line 2, field URL: the decoded value holds CR, LF or NUL");
  }
}

TEST(ParseDataFileRefuses, PathsThatReachOutsideTheFavoritesFolder) {
  const std::string folderReason = "line 2: the folder record's Path is not a plain relative path";
  for (const char* path : {"", "Links\\", "Links\\..", ".\\Links", "Links\\\\A", "Links/../.."}) {
    ExpectRefused(kHeader + "\"1/1/2026\",\"" + path + "\",\"\",\"\",\"\",\"\",\"D\"\r\n", false,
                  folderReason);
  }
  const std::string shortcutPathReason =
      "line 2: the shortcut record's Path is not a plain relative folder path ending in a "
      "backslash";
  for (const char* path : {"Links", "\\Links\\"}) {
    ExpectRefused(kHeader + "\"1/1/2026\",\"" + path + "\",\"a.url\",\"\",\"\",\"\",\"F\"\r\n",
                  false, shortcutPathReason);
  }
  const std::string nameReason = "line 2: the shortcut record's Name is not a plain file name";
  for (const char* name : {"", "a\\b.url"}) {
    ExpectRefused(kHeader + "\"1/1/2026\",\"Links\\\",\"" + name + "\",\"\",\"\",\"\",\"F\"\r\n",
                  false, nameReason);
  }
  ExpectRefused(kHeader + "\"1/1/2026\",\"Links\",\"a.url\",\"\",\"\",\"\",\"D\"\r\n", false,
                "line 2: a folder record has a Name");
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
  EXPECT_TRUE(CheckComputerName("Study"));
  EXPECT_EQ(CheckComputerName("").error(), "the computer name is empty");
  EXPECT_EQ(CheckComputerName("Study,Hall").error(), "the computer name holds a comma");
  EXPECT_EQ(CheckComputerName("me@home").error(), "the computer name holds an at-sign");
  EXPECT_EQ(CheckComputerName("Stu\tdy").error(), "the computer name holds a control character");
  EXPECT_EQ(CheckComputerName("Study ").error(), "the computer name begins or ends with a blank");
  // Every name without a problem reads back as written.
  for (const char* name : {"Desk 2 (Hall)", "Arbeitsplatz-M\xC3\xBCller"}) {
    ASSERT_TRUE(CheckComputerName(name));
    const Result<FavoritesDataFile> file =
        ParseFavoritesDataFile(Header(name, {2026, 12, 5, 4, 8, 51}), false);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->header.ComputerName, name);
  }
}

}  // namespace
}  // namespace kestrin
