#pragma once

#include <cstdint>
#include <string>

#include "formats/sealed_file.h"
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
  // The shared folder a sealed list names: the remote directory as configured, without the
  // slashes at its ends, since computers may write it with or without them. The server's
  // name is left out: computers may call one server by different names.
  std::string folder;

  bool sealed() const { return !passphrase.empty(); }
  // Where the server's bytes of a data file are kept: the file itself, or beside it when
  // they are sealed.
  std::string ServerCopyOf(const std::string& dataFile) const;
};

SharedListForm SharedListFormOf(const SyncSettings& settings);

// Makes dataFile from its server copy, opening a sealed one, and gives the label it was
// sealed under (an empty one when the form does not seal). Fails with the reason the copy
// does not open: then dataFile is not written.
Result<SealLabel> OpenServerCopy(const SharedListForm& form, const std::string& dataFile);

// Makes the server copy of dataFile, sealing it as the given generation of the form's folder
// when the form says so, and gives its path.
Result<std::string> MakeServerCopy(const SharedListForm& form, const std::string& dataFile,
                                   std::uint64_t generation);

}  // namespace kestrin
