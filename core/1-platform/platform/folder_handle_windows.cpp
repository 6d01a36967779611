// A contained folder on Windows: every step from the trusted folder down held open without
// leave to delete it, so that none can be renamed, replaced or removed while it is used, and
// none of them a reparse point. The calls go by path through the POSIX stand-ins, whose open
// refuses a reparse point as the last name.

#include <windows.h>

#include "platform/contained_folder.h"
#include "platform/folder_entries.h"
#include "platform/wide_text.h"

namespace kestrin {

struct ContainedFolder::Handle {
  Handle(HANDLE held, std::shared_ptr<const Handle> up) : handle(held), parent(std::move(up)) {}
  ~Handle() { CloseHandle(handle); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  const HANDLE handle;
  const std::shared_ptr<const Handle> parent;  // the steps above stay held as long
};

namespace {

HANDLE HoldFolder(const std::string& path, DWORD flags) {
  return CreateFileW(WideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

DWORD AttributesOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION data{};
  return GetFileInformationByHandle(handle, &data) ? data.dwFileAttributes : 0;
}

}  // namespace

Result<ContainedFolder> ContainedFolder::Open(const std::string& path) {
  const HANDLE held = HoldFolder(path, 0);
  if (held == INVALID_HANDLE_VALUE || (AttributesOf(held) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
    }
    return Result<ContainedFolder>::Fail("cannot open the folder " + path);
  }
  return Result<ContainedFolder>::Ok(
      {path.ends_with('/') ? path : path + "/", std::make_shared<const Handle>(held, nullptr)});
}

Result<ContainedFolder, BlockedWay> ContainedFolder::Step(const std::string& name) const {
  using Outcome = Result<ContainedFolder, BlockedWay>;
  const HANDLE held = HoldFolder(path_ + name, FILE_FLAG_OPEN_REPARSE_POINT);
  if (held == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return Outcome::Fail(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                             ? BlockedWay::Missing
                             : BlockedWay::Refused);
  }
  const DWORD attributes = AttributesOf(held);
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (link || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CloseHandle(held);
    return Outcome::Fail(link ? BlockedWay::Link : BlockedWay::NotFolder);
  }
  return Outcome::Ok({path_ + name + "/", std::make_shared<const Handle>(held, handle_)});
}

int ContainedFolder::MakeFolder(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return mkdir((path_ + name).c_str(), 0755);
}

int ContainedFolder::OwnStatus(struct stat* info) const {
  return lstat(path_.c_str(), info);
}

int ContainedFolder::Status(const std::string& name, struct stat* info) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return lstat((path_ + name).c_str(), info);
}

int ContainedFolder::OpenFile(const std::string& name, int flags, int mode) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return open((path_ + name).c_str(), flags, mode);
}

int ContainedFolder::RemoveFile(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return unlink((path_ + name).c_str());
}

int ContainedFolder::RemoveFolder(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return rmdir((path_ + name).c_str());
}

std::vector<std::string> ContainedFolder::Entries() const {
  return FolderEntries(path_);
}

}  // namespace kestrin
