#pragma once

#include <optional>
#include <string>

#include "favorites/favorite_record.h"
#include "platform/result.h"

namespace kestrin {

// The list this computer last agreed on with a shared folder: the data file it last
// published there, kept in that folder's state folder (SharedFolderStateOf). The merge reads
// it to tell an edit here from one made elsewhere.

// Where it is kept; one name for each form of the record fields, so that a list is always
// read in the form it was written in.
std::string AgreedListPath(const std::string& stateFolder, bool encodedFields);

// The agreed list, or none when there is none yet or it cannot be read whole: then the
// shared list wins, as at a computer's first run.
std::optional<FavoritesDataFile> ReadAgreedList(const std::string& path, bool encodedFields);

// Makes the data file just published the agreed list; the file is moved, not copied.
Result<> KeepAgreedList(const std::string& publishedDataFile, const std::string& path);

}  // namespace kestrin
