#include "platform/posix_files.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <random>

#include "platform/wide_text.h"

namespace kestrin {
namespace {

std::wstring Wide(const char* path) {
  return WideFromUtf8(path);
}

bool IsReparsePoint(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// FILETIME counts 100-nanosecond steps from 1601; timespec seconds from 1970.
constexpr std::int64_t kStepsPerSecond = 10000000;
constexpr std::int64_t kStepsFrom1601To1970 = 116444736000000000;

timespec TimeOf(const FILETIME& time) {
  const std::int64_t steps =
      (static_cast<std::int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) -
      kStepsFrom1601To1970;
  const std::int64_t seconds =
      steps >= 0 ? steps / kStepsPerSecond : -((-steps + kStepsPerSecond - 1) / kStepsPerSecond);
  return {static_cast<std::time_t>(seconds),
          static_cast<long>((steps - seconds * kStepsPerSecond) * 100)};
}

FILETIME FileTimeOf(const timespec& time) {
  const std::int64_t steps = static_cast<std::int64_t>(time.tv_sec) * kStepsPerSecond +
                             time.tv_nsec / 100 + kStepsFrom1601To1970;
  return {static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
}

template <typename FileData>  // WIN32_FILE_ATTRIBUTE_DATA or BY_HANDLE_FILE_INFORMATION
void Describe(const FileData& data, struct stat* info) {
  const DWORD attributes = data.dwFileAttributes;
  *info = {};
  info->st_mode = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? S_IFDIR : S_IFREG;
  info->st_size = static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  info->st_mtim = TimeOf(data.ftLastWriteTime);
  info->st_mtime = info->st_mtim.tv_sec;
}

int StatusOfHandle(HANDLE handle, struct stat* info) {
  BY_HANDLE_FILE_INFORMATION data{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &data)) {
    errno = EBADF;
    return -1;
  }
  Describe(data, info);
  return 0;
}

// The status of the name itself; its target's only when `follow` is set and it is a link.
int StatusOf(const char* path, struct stat* info, bool follow) {
  std::wstring wide = Wide(path);
  // A trailing separator would ask for the folder's contents.
  if (wide.size() > 3 && (wide.back() == L'/' || wide.back() == L'\\')) {
    wide.pop_back();
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    errno = ENOENT;
    return -1;
  }
  const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (link && follow) {
    // Backup semantics: a folder, too, opens as a handle.
    const HANDLE target =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const int found = StatusOfHandle(target, info);
    if (target != INVALID_HANDLE_VALUE) {
      CloseHandle(target);
    }
    return found;
  }
  Describe(data, info);
  if (link) {
    info->st_mode = S_IFLNK;
  }
  return 0;
}

// Fills the pattern's trailing "XXXXXX" with random letters until `make` succeeds.
template <typename Make>
bool MakeUnique(char* pattern, Make make) {
  const std::string_view text(pattern);
  if (!text.ends_with("XXXXXX")) {
    errno = EINVAL;
    return false;
  }
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::minstd_rand random(seed());
  char* const letters = pattern + text.size() - 6;
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (int i = 0; i < 6; ++i) {
      letters[i] = kLetters[random() % (sizeof kLetters - 1)];
    }
    if (make(Wide(pattern))) {
      return true;
    }
    if (errno != EEXIST) {
      return false;
    }
  }
  return false;
}

}  // namespace

struct DIR {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool pending = true;  // `data` holds an entry not yet returned
  dirent entry;
};

int open(const char* path, int flags, int mode) {
  const std::wstring wide = Wide(path);
  if (IsReparsePoint(wide)) {
    errno = ELOOP;
    return -1;
  }
  return _wopen(wide.c_str(), flags | _O_BINARY | _O_NOINHERIT, mode & (_S_IREAD | _S_IWRITE));
}

int lstat(const char* path, struct stat* info) {
  return StatusOf(path, info, false);
}

int EntryStatus(DIR*, const std::string& folder, const std::string& name, struct stat* info) {
  return lstat((folder + name).c_str(), info);
}

int stat(const char* path, struct stat* info) {
  return StatusOf(path, info, true);
}

int fstat(int fd, struct stat* info) {
  return StatusOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), info);
}

int futimens(int fd, const timespec times[2]) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  const FILETIME written = FileTimeOf(times[1]);
  return handle != INVALID_HANDLE_VALUE && SetFileTime(handle, nullptr, nullptr, &written) ? 0 : -1;
}

int mkdir(const char* path, int) {
  return _wmkdir(Wide(path).c_str());
}

int rmdir(const char* path) {
  return _wrmdir(Wide(path).c_str());
}

int unlink(const char* path) {
  return _wunlink(Wide(path).c_str());
}

int rename(const char* from, const char* to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return 0;
  }
  errno = EACCES;
  return -1;
}

int fsync(int fd) {
  return _commit(fd);
}

int fchmod(int fd, int) {
  return _get_osfhandle(fd) == -1 ? -1 : 0;
}

int mkostemp(char* pattern, int flags) {
  int fd = -1;
  MakeUnique(pattern, [&](const std::wstring& path) {
    fd = _wopen(path.c_str(), flags | _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
    return fd >= 0;
  });
  return fd;
}

char* mkdtemp(char* pattern) {
  const bool made =
      MakeUnique(pattern, [](const std::wstring& path) { return _wmkdir(path.c_str()) == 0; });
  return made ? pattern : nullptr;
}

DIR* opendir(const char* path) {
  auto dir = new DIR;
  std::wstring pattern = Wide(path);
  if (!pattern.empty() && pattern.back() != L'/' && pattern.back() != L'\\') {
    pattern += L'/';
  }
  dir->find = FindFirstFileW((pattern + L'*').c_str(), &dir->data);
  if (dir->find == INVALID_HANDLE_VALUE) {
    delete dir;
    return nullptr;
  }
  return dir;
}

dirent* readdir(DIR* dir) {
  if (!dir->pending && FindNextFileW(dir->find, &dir->data) == 0) {
    return nullptr;
  }
  dir->pending = false;
  const DWORD attributes = dir->data.dwFileAttributes;
  const std::string name = Utf8FromWide(dir->data.cFileName);
  dir->entry.d_name[name.copy(dir->entry.d_name, sizeof dir->entry.d_name - 1)] = '\0';
  dir->entry.d_type = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? DT_LNK
                      : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? DT_DIR
                                                                  : DT_REG;
  return &dir->entry;
}

int closedir(DIR* dir) {
  FindClose(dir->find);
  delete dir;
  return 0;
}

}  // namespace kestrin
