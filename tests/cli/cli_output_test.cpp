// What the command-line program prints quotes lists, servers and folders: a terminal shows
// their control characters and never obeys them, while UTF-8 text stays as it is.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "settings/sync_settings.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

// Standard output of kestrin-cli run with the arguments.
std::string Output(const std::string& arguments) {
  std::FILE* pipe = ::popen(("LC_ALL=C '" KESTRIN_CLI "' " + arguments).c_str(), "r");
  std::string output;
  char buffer[4096];
  for (size_t read; pipe && (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, read);
  }
  if (pipe) {
    ::pclose(pipe);
  }
  return output;
}

std::string ListWith(const std::string& name, const std::string& url = "https://x/") {
  return "Other@1/1/2026\r\n\"1/1/2026\",\"\",\"" + name + "\",\"" + url + "\",\"\",\"\",\"F\"\r\n";
}

// C1 controls as a lone byte and as UTF-8 (U+009B), beside UTF-8 text.
const std::string kC1Name = "Caf\xc3\xa9\x9b\xc2\x9b.url";
const std::string kC1Shown = "Caf\xc3\xa9\\x9b\\xc2\\x9b.url";

TEST(CommandLineOutput, ShowAndDiffPrintTheListsControlCharactersEscaped) {
  TempDir dir;
  WriteFileBytes(dir.path() + "escape.dat", ListWith(kC1Name, "https://x/\x1b[2J\x7f\t"));
  EXPECT_EQ(Output("show " + dir.path() + "escape.dat"),
            "Other\t1/1/2026\n1/1/2026\t\t" + kC1Shown + "\thttps://x/\\x1b[2J\\x7f\\x09\t\t\tF\n");

  WriteFileBytes(dir.path() + "c1.dat", ListWith(kC1Name));
  WriteFileBytes(dir.path() + "local.dat", "Mine@1/1/2026\r\n");
  EXPECT_EQ(Output("diff " + dir.path() + "local.dat " + dir.path() + "c1.dat"),
            "Create Locally\t\t" + kC1Shown + "\thttps://x/\t\t\tF\n");
}

TEST(CommandLineOutput, SyncPrintsTheActivityLinesEscaped) {
  TempDir dir;
  SyncSettings settings;
  settings.Name = "A";
  settings.Server = "\x1b[2J";
  settings.Username = "user";
  settings.Password = "password";
  ASSERT_TRUE(SaveSettings(dir.path() + "kestrin.ini", settings));
  const std::string output =
      Output("sync --settings " + dir.path() + "kestrin.ini --favorites " + dir.path());
  EXPECT_NE(output.find("\n-> Connecting to \\x1b[2J..\n"), std::string::npos) << output;
  EXPECT_EQ(output.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace kestrin::test
