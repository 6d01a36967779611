#include "sync/agreed_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "favorites/data_file.h"
#include "platform/posix_files.h"
#include "sync/shared_folder_state.h"

namespace kestrin {

std::string AgreedListPath(const std::string& stateFolder, bool encodedFields) {
  return stateFolder + (encodedFields ? "agreed.dat.enc" : "agreed.dat");
}

std::optional<FavoritesDataFile> ReadAgreedList(const std::string& path, bool encodedFields) {
  auto list = ReadFavoritesDataFile(path, encodedFields);
  if (!list) {
    return std::nullopt;
  }
  return std::move(*list);
}

Result<> KeepAgreedList(const std::string& publishedDataFile, const std::string& path) {
  if (const Result<> made = MakeSharedFolderState(path.substr(0, path.rfind('/') + 1)); !made) {
    return made;
  }
  if (rename(publishedDataFile.c_str(), path.c_str()) != 0) {
    return Result<>::Fail(path + ": " + std::strerror(errno));
  }
  return Result<>::Ok();
}

}  // namespace kestrin
