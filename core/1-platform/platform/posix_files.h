#pragma once

// The POSIX file calls the core makes. On Linux they are the system's own; on Windows these
// declarations stand in for them inside the namespace, taking UTF-8 paths to the
// wide-character functions, so that the core's file code is the same on both.

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>

// Windows has no such flags: a link is refused by open itself (below), descriptors are not
// inherited by the programs we start, and no FIFO can stand in a folder.
#define O_CLOEXEC 0
#define O_NOFOLLOW 0
#define O_NONBLOCK 0
#define O_DIRECTORY 0
#define S_IFLNK 0xA000  // a reparse point: a symbolic link or a junction
#define S_ISLNK(mode) (((mode)&S_IFMT) == S_IFLNK)
#define DT_UNKNOWN 0
#define DT_DIR 4
#define DT_REG 8
#define DT_LNK 10
#define UTIME_OMIT ((1L << 30) - 2L)

namespace kestrin {

// What the core reads of a file's status. Windows files carry no owner: st_uid is always
// ours. st_dev is 0: a disk mounted in a folder is a reparse point, which lstat reports as a
// link.
struct stat {
  dev_t st_dev = 0;
  std::uint64_t st_ino = 0;  // no file numbers: nothing is taken for unchanged by them
  unsigned st_mode = 0;
  std::int64_t st_size = 0;
  timespec st_mtim{};
  timespec st_ctim{};
  std::time_t st_mtime = 0;
  int st_uid = 0;
};

// Binary, and refuses a link as the last name (as O_NOFOLLOW does).
int open(const char* path, int flags, int mode = 0);
int lstat(const char* path, struct stat* info);
int stat(const char* path, struct stat* info);
int fstat(int fd, struct stat* info);
// Sets the modification time (times[1]) of an open file.
int futimens(int fd, const timespec times[2]);
int mkdir(const char* path, int mode);
int rmdir(const char* path);
int unlink(const char* path);
// Replaces an existing `to`, as POSIX does.
int rename(const char* from, const char* to);
int fsync(int fd);
// Windows files carry no owner bits: done when the file is open.
int fchmod(int fd, int mode);
int mkostemp(char* pattern, int flags);
char* mkdtemp(char* pattern);
inline int geteuid() {
  return 0;
}

struct dirent {
  char d_name[1024];
  unsigned char d_type = DT_UNKNOWN;
};
struct DIR;
DIR* opendir(const char* path);
dirent* readdir(DIR* dir);
int closedir(DIR* dir);

}  // namespace kestrin
#endif

#include <string>

namespace kestrin {

// The status of the entry `name` of the open folder `dir` at `folder` (ending in "/"), not
// following a link. On Linux it is looked up through the folder, so that the path from the
// root is not walked again for every entry.
#ifndef _WIN32
inline int EntryStatus(DIR* dir, const std::string&, const std::string& name, struct stat* info) {
  return fstatat(dirfd(dir), name.c_str(), info, AT_SYMLINK_NOFOLLOW);
}
#else
int EntryStatus(DIR* dir, const std::string& folder, const std::string& name, struct stat* info);
#endif

}  // namespace kestrin
