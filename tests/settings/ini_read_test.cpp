#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "formats/ini_file.h"

namespace kestrin {
namespace {

// Sections and keys match without regard to case; the first matching section and key win.
TEST(IniReadTest, FirstMatchingSectionAndKeyWinWithoutRegardToCase) {
  const auto ini = IniDocument::Parse(
      "[SETTINGS]\nName=first\nname=second\n[Other]\nPort=1\n[settings]\nName=third\nPort=2\n");
  EXPECT_EQ(ini.ReadString("Settings", "Name"), "first");
  EXPECT_EQ(ini.ReadString("Settings", "Port"), "");  // later sections of the name are unseen
  EXPECT_EQ(ini.ReadString("Other", "PORT"), "1");
}

// Only matching quotes are dropped; numbers read as the Windows call reads them.
TEST(IniReadTest, ValuesAndNumbers) {
  const auto ini = IniDocument::Parse(
      "[S]\na=\"quoted value\"\nc=\"mixed'\nd=\"\nf=  \" padded \"  \n"
      "i=  -12abc\nj=abc\nk=\"42\"\nl=99999999999\nm=-99999999999\n");
  EXPECT_EQ(ini.ReadString("S", "a"), "quoted value");
  EXPECT_EQ(ini.ReadString("S", "c"), "\"mixed'");
  EXPECT_EQ(ini.ReadString("S", "d"), "\"");
  EXPECT_EQ(ini.ReadString("S", "f"), " padded ");
  for (const auto& [key, number] :
       {std::pair{"i", -12}, {"j", 0}, {"k", 42}, {"l", INT_MAX}, {"m", INT_MIN}, {"missing", 0}}) {
    EXPECT_EQ(ini.ReadInt("S", key), number) << key;
  }
}

}  // namespace
}  // namespace kestrin
