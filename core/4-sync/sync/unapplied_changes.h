#pragma once

#include <string>
#include <unordered_set>

#include "favorites/favorite_record.h"
#include "platform/result.h"

namespace kestrin {

// Changes this computer could not carry out (a file or a link where the shared list has a
// folder, a locked shortcut, a name too long for the file system). While they last, what
// this computer uploads holds the shared list's version of them: its own new shortcuts reach
// the shared list, and no other computer loses what this one cannot create. They are kept
// in the work folder, in the data file format, under the header of the upload they belong to.
inline constexpr char kUnappliedChangesName[] = "unapplied.dat";

// Record keys, Path + Name.
using RecordKeys = std::unordered_set<std::string>;
RecordKeys KeysOf(const RecordList& records);

// The records whose key is among the keys, in list order.
RecordList RecordsWithKeys(const RecordList& records, const RecordKeys& keys);

// The changes kept for the shared list with this header: none when there is no file or it
// belongs to another upload. Fails, with the reason, when the file is not whole and valid.
Result<RecordList> ReadUnappliedChanges(const std::string& path, const DataFileHeader& shared);

// Keeps the changes that the upload with this header could not carry out, readable by this
// user only; removes the file when there are none. Fails when that could not be done.
Result<> KeepUnappliedChanges(const std::string& path, const DataFileHeader& upload,
                          const RecordList& unapplied);

// Rewrites the local data file for the upload: its records but those with an unapplied
// key, then the shared list's records with those keys, so that the shared list keeps them
// as it had them. Fails when either file cannot be read or the new one cannot be written.
Result<> HoldSharedVersionOf(const RecordList& unapplied, const std::string& localDataPath,
                         const std::string& sharedDataPath, bool encoded);

}  // namespace kestrin
