#include "sync/unapplied_changes.h"

#include <cerrno>
#include <sstream>

#include "favorites/data_file.h"
#include "platform/atomic_file.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

std::string KeyOf(const FavoriteRecord& record) {
  return std::string(record.Path).append(record.Name);
}

// The records whose key is (or is not) among the keys, in list order.
RecordList Selected(const RecordList& records, const RecordKeys& keys, bool withKey) {
  RecordList selected;
  for (const FavoriteRecord record : records) {
    if (keys.contains(KeyOf(record)) == withKey) {
      selected.push_back(record);
    }
  }
  return selected;
}

Result<> WriteDataFile(const std::string& path, const DataFileHeader& header,
                       std::initializer_list<const RecordList*> lists, bool encode) {
  std::ostringstream out;
  WriteDataFileHeader(out, header);
  for (const RecordList* list : lists) {
    for (const FavoriteRecord record : *list) {
      WriteFavoriteRecord(out, record, encode);
    }
  }
  return WriteFileAtomically(path, out.str(), 0600);
}

}  // namespace

RecordKeys KeysOf(const RecordList& records) {
  RecordKeys keys;
  for (const FavoriteRecord record : records) {
    keys.insert(KeyOf(record));
  }
  return keys;
}

RecordList RecordsWithKeys(const RecordList& records, const RecordKeys& keys) {
  return Selected(records, keys, true);
}

Result<RecordList> ReadUnappliedChanges(const std::string& path, const DataFileHeader& shared) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
    return Result<RecordList>::Ok({});
  }
  auto kept = ReadFavoritesDataFile(path, false);
  if (!kept) {
    return Result<RecordList>::Fail(kept.error());
  }
  const bool sameUpload = kept->header.ComputerName == shared.ComputerName &&
                          kept->header.WrittenAt == shared.WrittenAt;
  return Result<RecordList>::Ok(sameUpload ? std::move(kept->records) : RecordList());
}

Result<> KeepUnappliedChanges(const std::string& path, const DataFileHeader& upload,
                              const RecordList& unapplied) {
  if (unapplied.empty()) {
    struct stat info;
    if (unlink(path.c_str()) == 0 || lstat(path.c_str(), &info) != 0) {
      return Result<>::Ok();
    }
    return Result<>::Fail("cannot write " + path);
  }
  return WriteDataFile(path, upload, {&unapplied}, false);
}

Result<> HoldSharedVersionOf(const RecordList& unapplied, const std::string& localDataPath,
                             const std::string& sharedDataPath, bool encoded) {
  if (unapplied.empty()) {
    return Result<>::Ok();
  }
  const auto local = ReadFavoritesDataFile(localDataPath, encoded);
  if (!local) {
    return Result<>::Fail(local.error());
  }
  const auto shared = ReadFavoritesDataFile(sharedDataPath, encoded);
  if (!shared) {
    return Result<>::Fail(shared.error());
  }
  const RecordKeys keys = KeysOf(unapplied);
  const RecordList own = Selected(local->records, keys, false);
  const RecordList held = Selected(shared->records, keys, true);
  return WriteDataFile(localDataPath, local->header, {&own, &held}, encoded);
}

}  // namespace kestrin
