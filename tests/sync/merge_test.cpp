// Every edit survives the merge: computers that each changed something since they last agreed
// with the shared folder keep both sides' changes, end to end through a real server.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "formats/ini_file.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

// A step of a case, for computer A, B or C: "A sync", "A +x.url=1" (add or edit a shortcut,
// each edit later than the one before), "A -x.url" (delete a shortcut or a folder), "A dir=X"
// (another remote directory).
struct MergeCase {
  const char* name;
  std::vector<std::string> steps;
  // What every computer and the shared list hold once all have synchronized twice: relative
  // path to URL, "<folder>" for a folder.
  std::map<std::string, std::string> expected;
};

void PrintTo(const MergeCase& mergeCase, std::ostream* out) {
  *out << mergeCase.name;
}

class MergeTest : public ::testing::TestWithParam<MergeCase> {};

std::map<std::string, std::string> ContentsOf(const std::map<std::string, std::string>& tree) {
  std::map<std::string, std::string> contents;
  for (const auto& [path, bytes] : tree) {
    contents[path] = bytes == "<folder>"
                         ? bytes
                         : IniDocument::Parse(bytes).ReadString("InternetShortcut", "URL");
  }
  return contents;
}

TEST_P(MergeTest, KeepsEachSidesChanges) {
  const auto server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  if (!server) {
    GTEST_SKIP() << "pyftpdlib cannot run here";
  }
  server->MakeDirectory("elsewhere");
  std::map<char, std::unique_ptr<Computer>> computers;
  for (char name : {'A', 'B', 'C'}) {
    computers[name] = std::make_unique<Computer>(std::string(1, name), *server);
  }
  auto edited = std::filesystem::file_time_type::clock::now();
  for (const std::string& step : GetParam().steps) {
    SCOPED_TRACE(step);
    Computer& computer = *computers.at(step[0]);
    const std::string action = step.substr(2);
    if (action == "sync") {
      ASSERT_TRUE(computer.Sync()) << Reason(computer.display.lines);
    } else if (action.starts_with("dir=")) {
      computer.settings.RemoteDir = action.substr(4);
    } else if (action[0] == '-') {
      std::filesystem::remove_all(computer.favorites() + action.substr(1));
    } else {
      const std::size_t equals = action.find('=');
      const std::string path = action.substr(1, equals - 1);
      computer.AddShortcut(path, "https://" + action.substr(equals + 1) + "/");
      // Edits a second apart, as a user makes them: the newer one wins a conflict.
      edited += std::chrono::hours(1);
      std::filesystem::last_write_time(computer.favorites() + path, edited);
    }
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& [name, computer] : computers) {
      ASSERT_TRUE(computer->Sync()) << Reason(computer->display.lines);
    }
  }
  for (auto& [name, computer] : computers) {
    EXPECT_EQ(ContentsOf(computer->Tree()), GetParam().expected) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeTest,
    ::testing::Values(
        MergeCase{
            "AddedAfterAnotherUpload",
            {"A +x.url=x", "A sync", "B sync", "B +y.url=y", "B sync", "A +z.url=z", "A sync"},
            {{"x.url", "https://x/"}, {"y.url", "https://y/"}, {"z.url", "https://z/"}}},
        MergeCase{"DeletedAfterAnotherUpload",
                  {"A +x.url=x", "A +w.url=w", "A sync", "B sync", "B +y.url=y", "B sync",
                   "A -x.url", "A sync"},
                  {{"w.url", "https://w/"}, {"y.url", "https://y/"}}},
        MergeCase{"AnEditHereBeatsADeletionElsewhere",
                  {"A +x.url=x", "A sync", "B sync", "B -x.url", "B sync", "A +x.url=x2", "A sync"},
                  {{"x.url", "https://x2/"}}},
        MergeCase{"AnEditElsewhereBeatsADeletionHere",
                  {"A +x.url=x", "A sync", "B sync", "A -x.url", "B +x.url=x2", "B sync", "A sync"},
                  {{"x.url", "https://x2/"}}},
        MergeCase{"BothEditedTheNewerEditWins",
                  {"A +x.url=x", "A sync", "B sync", "C sync", "B +x.url=b", "A +x.url=a",
                   "C +y.url=y", "C sync", "B sync", "A sync"},
                  {{"x.url", "https://a/"}, {"y.url", "https://y/"}}},
        MergeCase{"AFolderDeletedElsewhereKeepsWhatIsNewHere",
                  {"A +d/x.url=x", "A sync", "B sync", "B -d", "B sync", "A +d/n.url=n", "A sync"},
                  {{"d", "<folder>"}, {"d/n.url", "https://n/"}}},
        // Without a list agreed on with the shared folder, the shared list wins.
        MergeCase{"AFirstRunTakesTheSharedList",
                  {"A +x.url=x", "A sync", "B +y.url=y", "B sync"},
                  {{"x.url", "https://x/"}}},
        MergeCase{"AnotherRemoteDirectoryStartsWithoutAgreement",
                  {"A +x.url=x", "A sync", "B sync", "A dir=elsewhere", "B dir=elsewhere", "A sync",
                   "B +y.url=y", "B sync"},
                  {{"x.url", "https://x/"}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrin::test
