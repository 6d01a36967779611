#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "formats/ini_file.h"

namespace kestrin {
namespace {

TEST(IniReadTest, MatchesSectionAndKeyWithoutRegardToCase) {
  const auto ini = IniDocument::Parse("[SETTINGS]\r\nserver=ftp.example.org\r\n");
  EXPECT_EQ(ini.ReadString("Settings", "Server"), "ftp.example.org");
}

TEST(IniReadTest, FirstMatchingSectionAndFirstMatchingKeyWin) {
  const auto ini = IniDocument::Parse(
      "[Settings]\nName=first\nname=second\n[Other]\nPort=1\n[settings]\nName=third\nPort=2\n");
  EXPECT_EQ(ini.ReadString("Settings", "Name"), "first");
  // The key of a later section of the same name is not seen.
  EXPECT_EQ(ini.ReadString("Settings", "Port"), "");
  EXPECT_EQ(ini.ReadString("Other", "Port"), "1");
}

TEST(IniReadTest, DropsOnlyMatchingQuotes) {
  const auto ini =
      IniDocument::Parse("[S]\na=\"quoted value\"\nc=\"mixed'\nd=\"\nf=  \" padded \"  \n");
  EXPECT_EQ(ini.ReadString("S", "a"), "quoted value");
  EXPECT_EQ(ini.ReadString("S", "c"), "\"mixed'");
  EXPECT_EQ(ini.ReadString("S", "d"), "\"");
  EXPECT_EQ(ini.ReadString("S", "f"), " padded ");
}

TEST(IniReadTest, DeliversAtMost254Characters) {
  const std::string longValue(300, 'x');
  const auto ini =
      IniDocument::Parse("[S]\nplain=" + longValue + "\nquoted=\"" + std::string(254, 'q') + "\"");
  EXPECT_EQ(ini.ReadString("S", "plain"), std::string(254, 'x'));
  EXPECT_EQ(ini.ReadString("S", "quoted"), std::string(254, 'q'));
}

TEST(IniReadTest, ReadsIntegersLikeTheWindowsCall) {
  const auto ini =
      IniDocument::Parse("[S]\na=  -12abc\nb=abc\nd=\"42\"\ne=99999999999\nf=-99999999999\n");
  EXPECT_EQ(ini.ReadInt("S", "a"), -12);
  EXPECT_EQ(ini.ReadInt("S", "b"), 0);
  EXPECT_EQ(ini.ReadInt("S", "d"), 42);
  EXPECT_EQ(ini.ReadInt("S", "e"), INT_MAX);
  EXPECT_EQ(ini.ReadInt("S", "f"), INT_MIN);
  EXPECT_EQ(ini.ReadInt("S", "missing"), 0);
}

}  // namespace
}  // namespace kestrin
