// Favorites data file: the bytes written, and a reader that takes a file whole
// and valid or not at all.

#include "favorites/data_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

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

// A shortcut's values travel whole up to 32 KiB, encoded or not; a longer one is refused, not
// cut.
TEST(DataFile, CarriesValuesUpTo32KiBWhole) {
  const std::string longest = "https://e.org/" + std::string(32768 - 14, 'u');
  const std::string icon(32768, 'i');
  for (const bool encode : {false, true}) {
    const std::string bytes =
        "Study@1/1/2026\r\n" + Line(Shortcut("1/1/2026", "", "a.url", longest, icon, "7"), encode);
    const Result<FavoritesDataFile> file = ParseFavoritesDataFile(bytes, encode);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->records[0], Shortcut("1/1/2026", "", "a.url", longest, icon, "7"));
    EXPECT_EQ(
        ParseFavoritesDataFile(
            "Study@1/1/2026\r\n" + Line(Shortcut("1/1/2026", "", "a.url", longest + "x"), encode),
            encode)
            .error(),
        encode ? "line 2: the URL is longer than 32768 bytes"
               : "line 2, field URL: longer than 32768 bytes");
  }
}

// --- Refusing everything else --------------------------------------------------------------

const std::string kHeader = "Study@12/5/2026 4:08:51 AM\r\n";

// Refusals that neither the hostile-list suite nor the fuzz properties reach.
TEST(ParseDataFileRefuses, WhatNoOtherSuiteReaches) {
  const auto row = [](const std::string& path, const std::string& name) {
    return kHeader + "\"1/1/2026\",\"" + path + "\",\"" + name + "\",\"\",\"\",\"\",\"F\"\r\n";
  };
  std::string blankLines = kHeader;  // lines that are no records still count
  for (std::size_t i = 0; i <= kMaxDataFileRecords; ++i) {
    blankLines += "\r\n";
  }
  const std::pair<std::string, std::string> cases[] = {
      // A quoted header ends at its closing quote.
      {"\"Study\"@12/5/2026\r\n", "the header line holds no \"@\""},
      {"\"Study@12/5/2026\r\n", "the header line: a double quote is not closed"},
      // A record cut in two by a line end: each half is refused rather than joined.
      {kHeader + "\"1/1/2026\",\"Links\",\"\"\r\n\"\",\"\",\"\",\"D\"\r\n",
       "line 2 has 3 fields, not 7"},
      {row("Links", "a.url"),
       "line 2: the shortcut record's Path is not a plain relative folder path ending in a "
       "backslash"},
      {row("Links\\", "a\\b.url"), "line 2: the shortcut record's Name is not a plain file name"},
      {std::string(32769, 'u') + "@1/1/2026\r\n", "the header line is longer than 32768 bytes"},
      {blankLines, "the file holds more than 500000 records"},
      // As many CRs as line ends, but one inside a line and one line end without: the first
      // fault in the file is the one named.
      {kHeader + "\"1/1/2026\",\"\r\",\"a.url\",\"\",\"\",\"\",\"F\"\r\n" +
           "\"1/1/2026\",\"\",\"b.url\",\"\",\"\",\"\",\"F\"\n",
       "line 2 holds a CR that does not end the line"},
  };
  for (const auto& [bytes, reason] : cases) {
    const Result<FavoritesDataFile> file = ParseFavoritesDataFile(bytes, false);
    ASSERT_FALSE(file) << "accepted: " << bytes;
    EXPECT_EQ(file.error(), reason) << bytes;
  }
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
