// Local files that a run cannot change: locked shortcuts and folders, a program folder
// that cannot be written, a full disk. Each run says so, ends in order and loses nothing;
// the next healthy run converges. The tests run as root, whom permission bits do not stop:
// they lock files with the immutable flag and fill small tmpfs mounts of their own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "favorites/data_file.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

// Locks a file or folder with the immutable flag, which stops even root from writing,
// renaming or deleting it, or from adding and removing a folder's entries, until Release
// (the temporary folders must be removable afterwards).
class Lock {
 public:
  explicit Lock(std::string path) : path_(std::move(path)), locked_(Set(true)) {}
  ~Lock() { Release(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  // False when the file system or the account cannot.
  bool locked() const { return locked_; }
  void Release() { locked_ = locked_ && !Set(false); }

 private:
  bool Set(bool immutable) const {
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
      close(fd);
    }
    return done;
  }

  std::string path_;
  bool locked_;
};

// A tmpfs of the given size over a folder, in a mount namespace of this test process only,
// so that nothing stays mounted for the machine when the test ends in any way.
class SmallDisk {
 public:
  SmallDisk(std::string folder, const std::string& size) : folder_(std::move(folder)) {
    if (unshare(CLONE_NEWNS) != 0) {
      why_ = std::string("no mount namespace: ") + strerror(errno);
    } else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
               mount("tmpfs", folder_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
      why_ = std::string("cannot mount a tmpfs: ") + strerror(errno);
    }
  }
  ~SmallDisk() {
    if (why_.empty()) {
      umount2(folder_.c_str(), MNT_DETACH);
    }
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  // Empty when mounted, otherwise why not.
  const std::string& why() const { return why_; }
  void Fill() const {
    const std::string filler = folder_ + "filler";
    std::FILE* file = std::fopen(filler.c_str(), "wb");
    const std::string block(4096, 'x');
    while (file && std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
           std::fflush(file) == 0) {
    }
    if (file) {
      std::fclose(file);
    }
  }
  void Grow(const std::string& size) const {
    fs::remove(folder_ + "filler");
    mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT, ("size=" + size).c_str());
  }

 private:
  std::string folder_;
  std::string why_;
};

class LocalStressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = FtpServer::Start(FtpServerKind::Pyftpdlib);
    ASSERT_TRUE(server);
    a = std::make_unique<Computer>("A", *server);
    b = std::make_unique<Computer>("B", *server);
  }

  std::string SharedList() const { return ReadFileBytes(server->root() + "favs.dat"); }

  // Whether the computer's last run showed a line that begins with the text.
  static bool Showed(const Computer& computer, const std::string& begins) {
    return std::any_of(computer.display.lines.begin(), computer.display.lines.end(),
                       [&](const std::string& line) { return line.starts_with(begins); });
  }

  // An "Error: " line with this text, a last line that ends the run, the lock released.
  void ExpectEndedInOrderWith(const Computer& computer, const std::string& error) const {
    EXPECT_TRUE(Showed(computer, "Error: " + error))
        << ::testing::PrintToString(computer.display.lines);
    EXPECT_TRUE(computer.display.lines.back().starts_with("kestrin ended at "));
    EXPECT_FALSE(fs::exists(server->root() + "favs.ind"));
  }

  std::unique_ptr<FtpServer> server;
  std::unique_ptr<Computer> a;
  std::unique_ptr<Computer> b;
};

// A deletes one shortcut and changes another; on B both are locked. B's run keeps them as
// they are and uploads A's version of both, so A keeps its edits; once unlocked, B follows A.
TEST_F(LocalStressTest, ALockedShortcutStaysAsItWasAndTheNextRunTakesTheChange) {
  a->AddShortcut("Gone.url", "https://gone.example/");
  a->AddShortcut("Page.url", "https://old.example/");
  ASSERT_TRUE(a->Sync());
  ASSERT_TRUE(b->Sync());
  ASSERT_TRUE(a->Sync());  // A uploads last, so its edits become the shared list
  fs::remove(a->favorites() + "Gone.url");
  a->AddShortcut("Page.url", "https://new.example/");
  fs::last_write_time(a->favorites() + "Page.url",
                      fs::last_write_time(b->favorites() + "Page.url") + std::chrono::hours(1));
  ASSERT_TRUE(a->Sync());
  const auto aTree = a->Tree();

  const auto before = b->Tree();
  Lock gone(b->favorites() + "Gone.url");
  Lock page(b->favorites() + "Page.url");
  if (!gone.locked() || !page.locked()) {
    GTEST_SKIP() << "this file system cannot make a file immutable";
  }
  EXPECT_FALSE(b->Sync());
  ExpectEndedInOrderWith(*b, "Unable to Delete Shortcut: Gone.url");
  ExpectEndedInOrderWith(*b, "Unable to Create Shortcut: Page.url");
  EXPECT_EQ(b->Tree(), before);
  ASSERT_TRUE(a->Sync());
  EXPECT_EQ(a->Tree(), aTree);

  gone.Release();
  page.Release();
  ASSERT_TRUE(b->Sync());
  ASSERT_TRUE(a->Sync());
  EXPECT_EQ(b->Tree(), aTree);
}

// A folder that A removed holds a locked file of B's own: B removes the shortcuts and
// keeps the folder with that file, without an error, as a removal that fails is ignored.
// The next scan puts the folder back into the shared list, so A gets it again.
TEST_F(LocalStressTest, AFolderThatCannotBeRemovedKeepsWhatItHoldsAndComesBack) {
  a->AddShortcut("Old/Free.url", "https://free.example/");
  ASSERT_TRUE(a->Sync());
  ASSERT_TRUE(b->Sync());
  ASSERT_TRUE(a->Sync());  // A uploads last, so its edits become the shared list
  fs::remove_all(a->favorites() + "Old");
  ASSERT_TRUE(a->Sync());

  WriteFileBytes(b->favorites() + "Old/notes.txt", "mine");
  Lock notes(b->favorites() + "Old/notes.txt");
  if (!notes.locked()) {
    GTEST_SKIP() << "this file system cannot make a file immutable";
  }
  ASSERT_TRUE(b->Sync());
  EXPECT_TRUE(Showed(*b, "-> Deleting Folder: Old"));
  const std::map<std::string, std::string> kept = {{"Old", "<folder>"}, {"Old/notes.txt", "mine"}};
  EXPECT_EQ(b->Tree(), kept);
  const auto shared = ReadFavoritesDataFile(server->root() + "favs.dat", false);
  ASSERT_TRUE(shared) << shared.error();
  ASSERT_EQ(shared->records.size(), 1u);
  EXPECT_EQ(shared->records[0].Path, "Old");

  notes.Release();
  ASSERT_TRUE(a->Sync());
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(a->Tree(), (std::map<std::string, std::string>{{"Old", "<folder>"}}));
  EXPECT_EQ(b->Tree(), kept);
}

// B has a plain file where A's folder "Work" belongs. For as long as it stays, every run of
// B says so and ends showing the error, yet B's own new shortcut reaches A and survives on B,
// and A keeps all of Work; once the file is gone, B's next run creates Work and ends clean.
TEST_F(LocalStressTest, AFolderThatCannotBeCreatedCostsNoShortcut) {
  a->AddShortcut("Work/Plan.url", "https://plan.example/");
  a->AddShortcut("Work/Deep/Notes.url", "https://notes.example/");
  ASSERT_TRUE(a->Sync());
  auto aTree = a->Tree();
  WriteFileBytes(b->favorites() + "Work", "not a folder");
  const auto expectBlocked = [&] {
    EXPECT_FALSE(b->Sync());
    ExpectEndedInOrderWith(*b, "Unable to Create Folder: Work\\Deep");
    ExpectEndedInOrderWith(*b, "Unable to Create Shortcut: Work\\Plan.url");
    EXPECT_EQ(b->display.trayImage, StatusImage::Error);
    EXPECT_TRUE(b->display.trayTooltip.starts_with("Kestrin (Last Sync: ") &&
                b->display.trayTooltip.ends_with(", with errors)"))
        << b->display.trayTooltip;
    EXPECT_EQ(b->display.statusTexts.back(), b->display.trayTooltip);
    EXPECT_EQ(fs::status(b->program() + "unapplied.dat").permissions(), fs::perms(0600));
  };
  expectBlocked();  // after A's upload
  b->AddShortcut("Mine.url", "https://mine.example/");
  aTree["Mine.url"] = b->Tree().at("Mine.url");
  expectBlocked();  // after its own upload
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(a->Sync());
    EXPECT_EQ(a->Tree(), aTree);
    expectBlocked();
    EXPECT_EQ(b->Tree().count("Mine.url"), 1u);
  }
  // Kept rows that do not read whole and valid stop the run before anything changes.
  WriteFileBytes(b->program() + "unapplied.dat", "B@cut short");
  const std::string shared = SharedList();
  const auto bTree = b->Tree();
  EXPECT_FALSE(b->Sync());
  ExpectEndedInOrderWith(*b, "Unable to Read Unapplied Changes: " + b->program() +
                                 "unapplied.dat: the file does not end with CR LF: it ends "
                                 "inside line 1");
  EXPECT_EQ(SharedList(), shared);
  EXPECT_EQ(b->Tree(), bTree);

  ASSERT_TRUE(a->Sync());
  fs::remove(b->favorites() + "Work");
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(b->display.trayImage, StatusImage::Ready);
  EXPECT_EQ(b->Tree(), aTree);
  EXPECT_FALSE(fs::exists(b->program() + "unapplied.dat"));
  ASSERT_TRUE(a->Sync());
  EXPECT_EQ(a->Tree(), aTree);
}

// Without a writable program folder, locked or full, there is no whole snapshot to send:
// the run stops before it reaches the server.
TEST_F(LocalStressTest, AProgramFolderThatCannotBeWrittenStopsTheRunBeforeTheServer) {
  a->AddShortcut("Shared.url", "https://shared.example/");
  ASSERT_TRUE(a->Sync());
  const std::string aList = SharedList();
  const int logins = server->loginCount();
  b->AddShortcut("Mine.url", "https://mine.example/");
  const auto before = b->Tree();
  for (const bool full : {true, false}) {
    SCOPED_TRACE(full ? "full" : "locked");
    std::optional<SmallDisk> disk;
    std::optional<Lock> lock;
    if (full) {
      disk.emplace(b->program(), "64k");
      disk->Fill();
    } else {
      lock.emplace(b->program());
    }
    if ((disk && !disk->why().empty()) || (lock && !lock->locked())) {
      continue;  // this file system cannot; the other way may
    }
    EXPECT_FALSE(b->Sync());
    ExpectEndedInOrderWith(*b, "Unable to Create Local Data File..");
    EXPECT_EQ(b->Tree(), before);
    EXPECT_EQ(SharedList(), aList);
    EXPECT_EQ(server->loginCount(), logins);
  }
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(b->Tree(), a->Tree());
}

// A failed run leaves its working files; when the next one cannot delete them, the old
// download must not stand in for a shared list that is no longer on the server.
TEST_F(LocalStressTest, AnOldDownloadThatCannotBeDeletedIsNotTakenForTheSharedList) {
  b->AddShortcut("Mine.url", "https://mine.example/");
  WriteFileBytes(b->program() + "temp.dat", "Other@1/1/2026\r\n");
  WriteFileBytes(b->program() + "local.dat", "");
  WriteFileBytes(b->program() + "local.ind", "");
  Lock program(b->program());
  if (!program.locked()) {
    GTEST_SKIP() << "this file system cannot make a folder immutable";
  }
  const auto before = b->Tree();
  b->Sync();
  EXPECT_EQ(b->Tree(), before);
  const auto shared = ReadFavoritesDataFile(server->root() + "favs.dat", false);
  ASSERT_TRUE(shared) << shared.error();
  EXPECT_EQ(shared->header.ComputerName, "B");
  ASSERT_EQ(shared->records.size(), 1u);
  EXPECT_EQ(shared->records[0].Name, "Mine.url");
}

// B's Favorites folder is full: the shortcuts it cannot write are not dropped from the
// shared list (A keeps them), no cut-short file is left behind, and once there is room
// the next run takes them all.
TEST_F(LocalStressTest, AFullDiskLosesNoShortcut) {
  for (int i = 0; i < 40; ++i) {
    a->AddShortcut("Many/Shortcut " + std::to_string(i) + ".url",
                   "https://example.org/" + std::string(200, 'p') + std::to_string(i));
  }
  ASSERT_TRUE(a->Sync());
  const auto aTree = a->Tree();

  SmallDisk disk(b->favorites(), "64k");
  if (!disk.why().empty()) {
    GTEST_SKIP() << disk.why();
  }
  disk.Fill();
  EXPECT_FALSE(b->Sync());
  ExpectEndedInOrderWith(*b, "Unable to Create Shortcut: Many\\");
  for (const auto& [relative, bytes] : b->Tree()) {
    EXPECT_TRUE(bytes == "<folder>" || relative == "filler" || aTree.at(relative) == bytes)
        << relative;
  }
  ASSERT_TRUE(a->Sync());
  EXPECT_EQ(a->Tree(), aTree);

  disk.Grow("1m");
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(b->Tree(), aTree);
}

// A file system mounted inside the Favorites folder is not the user's favorites: the scan
// leaves it out, and removing the folder around it stops at its edge.
TEST_F(LocalStressTest, AMountedFolderIsNeitherSharedNorEmptied) {
  a->AddShortcut("Shared.url", "https://shared.example/");
  ASSERT_TRUE(a->Sync());

  fs::create_directories(b->favorites() + "Work/Disk");
  SmallDisk disk(b->favorites() + "Work/Disk/", "1m");
  if (!disk.why().empty()) {
    GTEST_SKIP() << disk.why();
  }
  b->AddShortcut("Work/Disk/Mine.url", "https://mine.example/");
  WriteFileBytes(b->favorites() + "Work/Disk/notes.txt", "notes");
  const auto mounted = b->Tree();
  ASSERT_TRUE(b->Sync());  // the shared list lacks Work: it is deleted here
  EXPECT_TRUE(Showed(*b, "-> Skipping Work/Disk: it is on another file system.."));
  EXPECT_EQ(ReadFileBytes(b->favorites() + "Work/Disk/Mine.url"), mounted.at("Work/Disk/Mine.url"));
  EXPECT_EQ(ReadFileBytes(b->favorites() + "Work/Disk/notes.txt"), "notes");
  EXPECT_EQ(SharedList().find("Disk"), std::string::npos);
}

}  // namespace
}  // namespace kestrin::test
