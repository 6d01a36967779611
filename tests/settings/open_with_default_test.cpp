#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/open_with_default.h"
#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

// Waits for the opener, which runs on its own, to leave its record.
bool AppearsSoon(const std::string& path) {
  for (int i = 0; i < 600 && !fs::exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return fs::exists(path);
}

TEST(OpenWithDefaultTest, HandsThePathUnchangedToXdgOpen) {
  test::TempDir dir;
  const std::string opener = dir.path() + "xdg-open";
  const std::string record = dir.path() + "opened";
  // Written beside the record, then renamed, so a half-written record is never seen.
  test::WriteFileBytes(opener, "#!/bin/sh\nprintf '%s' \"$1\" > \"" + record +
                                   ".part\" && /bin/mv \"" + record + ".part\" \"" + record +
                                   "\"\n");
  fs::permissions(opener, fs::perms::owner_all);
  test::ScopedEnvironment path("PATH", dir.path());

  const std::string document = "/opt/My Help/kestrin $HOME; 'quoted'.chm";
  ASSERT_TRUE(OpenWithDefaultProgram(document));
  ASSERT_TRUE(AppearsSoon(record));
  EXPECT_EQ(test::ReadFileBytes(record), document);
}

}  // namespace
}  // namespace kestrin
