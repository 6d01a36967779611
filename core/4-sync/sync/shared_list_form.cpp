#include "sync/shared_list_form.h"

#include "platform/atomic_file.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

std::string WithoutEndSlashes(const std::string& folder) {
  const std::size_t first = folder.find_first_not_of('/');
  return first == std::string::npos
             ? ""
             : folder.substr(first, folder.find_last_not_of('/') + 1 - first);
}

}  // namespace

std::string SharedListForm::ServerCopyOf(const std::string& dataFile) const {
  return sealed() ? dataFile + ".sealed" : dataFile;
}

SharedListForm SharedListFormOf(const SyncSettings& settings) {
  const std::string folder = WithoutEndSlashes(settings.RemoteDir);
  if (settings.UseEncryption != 1) {
    return {"favs.dat", false, "", folder};
  }
  if (settings.Passphrase.empty()) {
    return {"favs.dat.enc", true, "", folder};
  }
  return {"favs.dat.sealed", false, settings.Passphrase, folder};
}

Result<SealLabel> OpenServerCopy(const SharedListForm& form, const std::string& dataFile) {
  using R = Result<SealLabel>;
  if (!form.sealed()) {
    return R::Ok({});
  }
  const std::string copy = form.ServerCopyOf(dataFile);
  const Result<OpenedSeal> opened = OpenSealedBytes(ReadWholeFile(copy), form.passphrase);
  if (!opened) {
    return R::Fail(copy + ": " + opened.error());
  }
  if (const Result<> written = WriteFileAtomically(dataFile, opened->plain, 0600); !written) {
    return R::Fail(written.error());
  }
  return R::Ok(opened->label);
}

Result<std::string> MakeServerCopy(const SharedListForm& form, const std::string& dataFile,
                                   std::uint64_t generation) {
  using R = Result<std::string>;
  if (!form.sealed()) {
    return R::Ok(dataFile);
  }
  const std::string bytes = ReadWholeFile(dataFile);
  if (bytes.empty()) {  // a data file always holds its header line
    return R::Fail("cannot read " + dataFile);
  }
  const Result<std::string> sealed = SealBytes(bytes, form.passphrase, {generation, form.folder});
  if (!sealed) {
    return R::Fail(sealed.error());
  }
  const std::string copy = form.ServerCopyOf(dataFile);
  if (const Result<> written = WriteFileAtomically(copy, *sealed, 0600); !written) {
    return R::Fail(written.error());
  }
  return R::Ok(copy);
}

}  // namespace kestrin
