#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrin
