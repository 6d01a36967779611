// The words of servers that tests cannot start: replies and listings as they come.

#include "ftp/file_facts.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

TEST(FileFactsTest, RefusalsOfSize) {
  for (const char* absent : {"550 favs.ind: No such file or directory", "550 File not found",
                             "550 The system cannot find the file specified. ",
                             "550 Can't find file", "550 File does not exist."}) {
    EXPECT_TRUE(SaysNoSuchFile(absent)) << absent;
  }
  for (const char* unsure : {"550 favs.ind is not retrievable.", "550 Could not get file size.",
                             "550 Permission denied.", "502 Command not implemented.",
                             "550 SIZE not allowed in ASCII mode"}) {
    EXPECT_FALSE(SaysNoSuchFile(unsure)) << unsure;
  }
  EXPECT_EQ(SizeInReply("213 4096"), 4096);
  EXPECT_EQ(SizeInReply("213 4096\r\n"), 4096);
  EXPECT_EQ(SizeInReply("213 -1"), std::nullopt);
  EXPECT_EQ(SizeInReply("550 4096"), std::nullopt);
}

TEST(FileFactsTest, MlstFacts) {
  const FileFacts file = FactsOfMlstLine(" Type=file;Size=4;Modify=20260101000000; favs.ind");
  EXPECT_TRUE(file.plainFile);
  EXPECT_EQ(file.size, 4);
  const FileFacts folder = FactsOfMlstLine(" type=dir;size=4096; with blank; and semicolon");
  EXPECT_FALSE(folder.plainFile);
  EXPECT_EQ(folder.size, std::nullopt);
  EXPECT_EQ(FactsOfMlstLine(" type=file; favs.ind").size, std::nullopt);
}

TEST(FileFactsTest, ListingForms) {
  const std::string listing =
      "drwxr-xr-x   2 kestrin  staff        4096 Jan 01 10:00 favs.dat\r\n"
      "-rw-r--r--   1 kestrin  staff          42 Jan 01  2025 my favs.dat\r\n"
      "lrwxrwxrwx   1 kestrin  staff           8 Jan 01 10:00 link -> favs.ind\r\n"
      "-rw-r--r--   1 kestrin  staff  1234567890 Dec 31 23:59 favs.ind\n"
      "01-01-26  10:00AM       <DIR>          shared\r\n"
      "12-31-25  11:59PM                  512 favs old.dat\r\n";
  const struct {
    const char* name;
    bool plainFile;
    std::optional<std::int64_t> size;
  } cases[] = {
      {"favs.ind", true, 1234567890}, {"my favs.dat", true, 42},       {"favs.dat", false, 4096},
      {"link", false, std::nullopt},  {"shared", false, std::nullopt}, {"favs old.dat", true, 512},
      {"favs", false, std::nullopt},
  };
  for (const auto& c : cases) {
    const FileFacts facts = FactsInListing(listing, c.name);
    EXPECT_EQ(facts.plainFile, c.plainFile) << c.name;
    if (c.plainFile) {
      EXPECT_EQ(facts.size, c.size) << c.name;
    }
  }
}

}  // namespace
}  // namespace kestrin
