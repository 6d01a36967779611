// Three computers edit their Favorites at random and synchronize through one real server in
// random order. Once they stop editing and each has synchronized twice, all of them hold
// the same tree, byte for byte, and the shared list describes exactly that tree. It runs on
// pyftpdlib with a plain shared list, on pure-ftpd with an encoded one, and over WebDAV on
// Apache (HTTPS).
// KESTRIN_SOAK_SEED picks another sequence; a failure names its seed and round.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "favorites/data_file.h"
#include "formats/ini_file.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

constexpr unsigned long kDefaultSeed = 20261206;
constexpr int kRounds = 200;

// File times of the simulated world start on 1 January 2001. Anything later than ten
// years after that was set by the system clock while a run wrote the file.
constexpr time_t kSimulatedEpoch = 978307200;
constexpr time_t kSystemClockFloor = kSimulatedEpoch + 10 * 365 * 24 * 3600;

void SetFileTime(const std::string& path, time_t when) {
  const timespec times[2] = {{when, 0}, {when, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// A computer, its own display, whose runs happen at a simulated time: before each scan,
// what the run has written by the system clock (shortcuts taken from the shared list,
// folders whose entries changed) is dated at the run's time, so that the scan sees it.
class SoakComputer : public RecordingDisplay, public Computer {
 public:
  SoakComputer(const std::string& name, const FtpServer& server)
      : Computer(name, server, true, *this) {}

  void AppendActivityLine(const std::string& text) override {
    if (text == "-> Creating Local Data File..") {
      for (const auto& entry : fs::recursive_directory_iterator(favorites())) {
        struct stat info;
        if (lstat(entry.path().c_str(), &info) == 0 && info.st_mtime > kSystemClockFloor) {
          SetFileTime(entry.path(), runTime);
        }
      }
    }
    RecordingDisplay::AppendActivityLine(text);
  }

  // Relative paths of the shortcut files or of the folders, sorted: the same seed picks the
  // same entries on every file system.
  std::vector<std::string> Entries(bool folders) const {
    std::vector<std::string> found;
    for (const auto& [relative, bytes] : Tree()) {
      if ((bytes == "<folder>") == folders) {
        found.push_back(relative);
      }
    }
    return found;
  }

  time_t runTime = 0;
};

// Random edits as a user makes them. Real users edit minutes apart, and the shared list
// keeps file times to the second: every edit and every run gets a second of its own.
class Editor {
 public:
  explicit Editor(std::mt19937& random) : random_(random) {}

  time_t Tick() { return ++now_; }
  void NextRound() { now_ += 60 - now_ % 60; }

  // One edit; returns what it did, for the failure message. Additions outweigh removals,
  // so that the tree grows while it changes.
  std::string Edit(SoakComputer& target) {
    const size_t pick = Pick(12);
    const auto shortcuts = target.Entries(false);
    if (pick < 4 || (pick < 8 && shortcuts.empty())) {
      return AddShortcut(target, pick < 4 ? PickFolder(target) : "");
    }
    if (pick == 4) {
      const std::string& relative = PickOf(shortcuts);
      fs::remove(target.favorites() + relative);
      return "deleted " + relative;
    }
    if (pick == 5) {  // a rename keeps the file's time, as it does on the desktop
      const std::string& from = PickOf(shortcuts);
      const std::string to = Join(PickFolder(target), ShortcutName());
      if (fs::exists(target.favorites() + to)) {
        return "renamed nothing";
      }
      fs::rename(target.favorites() + from, target.favorites() + to);
      return "renamed " + from + " to " + to;
    }
    if (pick < 8) {
      const std::string& relative = PickOf(shortcuts);
      WriteShortcut(target, relative);
      return "changed the URL of " + relative;
    }
    const auto folders = target.Entries(true);
    if (pick < 11 || folders.empty()) {
      return NewFolder(target);
    }
    const std::string& folder = PickOf(folders);
    fs::remove_all(target.favorites() + folder);
    return "removed folder " + folder;
  }

 private:
  size_t Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random_); }

  template <typename T>
  const T& PickOf(const std::vector<T>& items) {
    return items[Pick(items.size())];
  }

  // Few names, so that computers often add the same key with different URLs.
  std::string ShortcutName() {
    static const std::vector<std::string> names = {"Café, Grüße", "日本", "News, Sport",
                                                   "read later",  "A",    "Straße 7"};
    return PickOf(names) + (Pick(2) == 0 ? "" : " " + std::to_string(Pick(3))) + ".url";
  }

  std::string Url() {
    static const std::vector<std::string> hosts = {"https://example.org/", "http://日本.jp/",
                                                   "https://café.example/a,b?x=1&y=2#top"};
    return PickOf(hosts) + std::to_string(Pick(1000));
  }

  // A folder to put something in: the Favorites folder itself ("") or one of its folders.
  std::string PickFolder(const SoakComputer& target) {
    std::vector<std::string> folders = target.Entries(true);
    folders.push_back("");
    return PickOf(folders);
  }

  static std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
  }

  void WriteShortcut(SoakComputer& target, const std::string& relative) {
    target.AddShortcut(relative, Url());
    SetFileTime(target.favorites() + relative, Tick());
  }

  std::string AddShortcut(SoakComputer& target, const std::string& folder) {
    const std::string relative = Join(folder, ShortcutName());
    if (fs::exists(target.favorites() + relative)) {
      return "added nothing";
    }
    WriteShortcut(target, relative);
    return "added " + relative;
  }

  std::string NewFolder(SoakComputer& target) {
    static const std::vector<std::string> names = {"Café, Grüße", "日本", "Work", "News, Sport",
                                                   "b c"};
    const std::string parent = PickFolder(target);
    const std::string folder = Join(parent, PickOf(names));
    if (std::count(folder.begin(), folder.end(), '/') > 2 ||
        fs::exists(target.favorites() + folder)) {
      return "made no folder";
    }
    fs::create_directory(target.favorites() + folder);
    const size_t shortcuts = Pick(3);
    for (size_t i = 0; i < shortcuts; ++i) {
      AddShortcut(target, folder);
    }
    SetFileTime(target.favorites() + folder, Tick());
    return "made folder " + folder + " with " + std::to_string(shortcuts) + " shortcuts";
  }

  std::mt19937& random_;
  time_t now_ = kSimulatedEpoch;
};

// What a tree or a list holds: relative path ("/" between folders) to "<folder>" or the
// shortcut's URL.
using Contents = std::map<std::string, std::string>;

Contents ContentsOf(const std::map<std::string, std::string>& tree) {
  Contents contents;
  for (const auto& [relative, bytes] : tree) {
    contents[relative] = bytes == "<folder>"
                             ? bytes
                             : IniDocument::Parse(bytes).ReadString("InternetShortcut", "URL");
  }
  return contents;
}

Contents ContentsOf(const FavoritesDataFile& list) {
  Contents contents;
  for (const FavoriteRecord& record : list.records) {
    std::string relative = std::string(record.Path).append(record.Name);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    contents[relative] = record.Type == "D" ? "<folder>" : record.URL;
  }
  return contents;
}

// The servers, one of them with the shared list's fields in Radix-64 form.
struct SoakSetup {
  FtpServerKind server;
  bool encrypted;
};

class ConvergenceSoak : public ::testing::TestWithParam<SoakSetup> {};

TEST_P(ConvergenceSoak, ThreeComputersAgreeAfterRandomEditsAndSyncs) {
  const auto [kind, encrypted] = GetParam();
  const auto server = FtpServer::Start(kind);
  if (!server) {
    GTEST_SKIP() << FtpServerKindName(kind) << " cannot run here";
  }
  const char* seedText = std::getenv("KESTRIN_SOAK_SEED");
  const unsigned long seed =
      seedText && *seedText ? std::strtoul(seedText, nullptr, 10) : kDefaultSeed;
  std::mt19937 random(seed);
  Editor editor(random);
  std::vector<std::unique_ptr<SoakComputer>> computers;
  for (const char* name : {"Study", "Laptop", "Büro"}) {
    computers.push_back(std::make_unique<SoakComputer>(name, *server));
    computers.back()->settings.UseEncryption = encrypted ? 1 : 0;
  }
  const auto sync = [&editor](SoakComputer& target) {
    target.runTime = editor.Tick();
    return target.Sync();
  };

  for (int round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
    editor.NextRound();
    std::string edits;
    const size_t editCount = std::uniform_int_distribution<size_t>(1, 3)(random);
    for (size_t i = 0; i < editCount; ++i) {
      SoakComputer& target = *computers[random() % computers.size()];
      edits += "\n  " + target.settings.Name + " " + editor.Edit(target);
    }
    std::vector<SoakComputer*> order;
    for (auto& computer : computers) {
      order.push_back(computer.get());
    }
    std::shuffle(order.begin(), order.end(), random);
    order.resize(std::uniform_int_distribution<size_t>(0, order.size())(random));
    for (SoakComputer* target : order) {
      ASSERT_TRUE(sync(*target)) << "edits:" << edits << "\nrun of " << target->settings.Name
                                 << ": " << testing::PrintToString(target->lines);
    }
  }

  SCOPED_TRACE("seed " + std::to_string(seed) + ", after round " + std::to_string(kRounds));
  editor.NextRound();
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& computer : computers) {
      ASSERT_TRUE(sync(*computer)) << testing::PrintToString(computer->lines);
    }
  }
  const auto tree = computers[0]->Tree();
  for (auto& computer : computers) {
    EXPECT_EQ(computer->Tree(), tree) << computer->settings.Name;
  }
  const auto shared =
      ReadFavoritesDataFile(server->root() + (encrypted ? "favs.dat.enc" : "favs.dat"), encrypted);
  ASSERT_TRUE(shared) << shared.error();
  EXPECT_EQ(ContentsOf(*shared), ContentsOf(tree));
}

INSTANTIATE_TEST_SUITE_P(Servers, ConvergenceSoak,
                         ::testing::Values(SoakSetup{FtpServerKind::Pyftpdlib, false},
                                           SoakSetup{FtpServerKind::PureFtpd, true},
                                           SoakSetup{FtpServerKind::ApacheDavTls, false}),
                         [](const auto& info) {
                           return FtpServerKindName(info.param.server) +
                                  (info.param.encrypted ? "Encrypted" : "Plain");
                         });

}  // namespace
}  // namespace kestrin::test
