#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "settings/startup_entry.h"
#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

class StartupEntryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnvironment config_{"XDG_CONFIG_HOME", dir_.path() + "config"};
  const std::string entry_ = dir_.path() + "config/autostart/kestrin.desktop";
};

TEST_F(StartupEntryTest, ReservedCharactersAreEscaped) {
  // Quoting escapes $, \ and ", then the string escapes double every backslash.
  UpdateStartupEntry(true, "kestrin", "/opt/a$b\\c\"d/100%/kestrin");
  EXPECT_EQ(test::ReadFileBytes(entry_),
            "[Desktop Entry]\nType=Application\nName=Kestrin\n"
            "Comment=Keeps the Favorites the same on several computers\n"
            "Exec=\"/opt/a\\\\$b\\\\\\\\c\\\\\"d/100%%/kestrin\"\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
}

TEST_F(StartupEntryTest, OffRemovesTheEntry) {
  UpdateStartupEntry(true, "kestrin", "/usr/bin/kestrin");
  UpdateStartupEntry(false, "kestrin", "/usr/bin/kestrin");
  EXPECT_FALSE(std::filesystem::exists(entry_));
}

TEST(StartupEntryPathTest, RelativeConfigHomeFallsBackToTheHomeFolder) {
  test::TempDir home;
  test::ScopedEnvironment homeVariable("HOME", home.path());
  test::ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(StartupEntryPath("kestrin"), home.path() + ".config/autostart/kestrin.desktop");
}

}  // namespace
}  // namespace kestrin
