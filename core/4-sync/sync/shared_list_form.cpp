#include "sync/shared_list_form.h"

#include "formats/sealed_file.h"
#include "platform/atomic_file.h"
#include "platform/whole_file.h"

namespace kestrin {

std::string SharedListForm::ServerCopyOf(const std::string& dataFile) const {
  return sealed() ? dataFile + ".sealed" : dataFile;
}

SharedListForm SharedListFormOf(const SyncSettings& settings) {
  if (settings.UseEncryption != 1) {
    return {"favs.dat", false, ""};
  }
  if (settings.Passphrase.empty()) {
    return {"favs.dat.enc", true, ""};
  }
  return {"favs.dat.sealed", false, settings.Passphrase};
}

Result<> OpenServerCopy(const SharedListForm& form, const std::string& dataFile) {
  if (!form.sealed()) {
    return Result<>::Ok();
  }
  const std::string copy = form.ServerCopyOf(dataFile);
  const Result<std::string> opened = OpenSealedBytes(ReadWholeFile(copy), form.passphrase);
  if (!opened) {
    return Result<>::Fail(copy + ": " + opened.error());
  }
  return WriteFileAtomically(dataFile, *opened, 0600);
}

Result<std::string> MakeServerCopy(const SharedListForm& form, const std::string& dataFile) {
  using R = Result<std::string>;
  if (!form.sealed()) {
    return R::Ok(dataFile);
  }
  const std::string bytes = ReadWholeFile(dataFile);
  if (bytes.empty()) {  // a data file always holds its header line
    return R::Fail("cannot read " + dataFile);
  }
  const Result<std::string> sealed = SealBytes(bytes, form.passphrase);
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
