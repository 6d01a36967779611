#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

// The tests run offscreen with a home of their own, so nothing touches the real desktop,
// autostart folder or settings.
int main(int argc, char** argv) {
  kestrin::test::TempDir home;
  const std::string runtime = home.path() + "run";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("HOME", home.path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home.path() + "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
