#pragma once

#include <string>

#include "platform/result.h"
#include "settings/sync_settings.h"

namespace kestrin {

// How the shared list is kept on the server, chosen by "Use Encryption" and the passphrase:
// "favs.dat" in clear; "favs.dat.enc", its record fields in Radix-64 (encoded, not
// encrypted); or "favs.dat.sealed", the whole data file encrypted and authenticated with a
// key derived from the passphrase. The data files on this computer are never sealed.
struct SharedListForm {
  std::string name;
  bool encodedFields = false;  // Radix-64 record fields in the data files
  std::string passphrase;      // not empty: sealed

  bool sealed() const { return !passphrase.empty(); }
  // Where the server's bytes of a data file are kept: the file itself, or beside it when
  // they are sealed.
  std::string ServerCopyOf(const std::string& dataFile) const;
};

SharedListForm SharedListFormOf(const SyncSettings& settings);

// Makes dataFile from its server copy, opening a sealed one. Fails with the reason the copy
// does not open: then dataFile is not written.
Result<> OpenServerCopy(const SharedListForm& form, const std::string& dataFile);

// Makes the server copy of dataFile, sealing it when the form says so, and gives its path.
Result<std::string> MakeServerCopy(const SharedListForm& form, const std::string& dataFile);

}  // namespace kestrin
