#include "cli/list_file.h"

#include <fstream>

#include "favorites/data_file.h"
#include "formats/sealed_file.h"
#include "platform/whole_file.h"
#include "settings/sync_settings.h"

namespace kestrin::cli {
namespace {

bool IsSealedFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string start(8, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return LooksSealed(start);
}

}  // namespace

Result<FavoritesDataFile> ReadListFile(const std::string& path, bool decode,
                                       const std::string& settingsPath) {
  using R = Result<FavoritesDataFile>;
  if (!IsSealedFile(path)) {
    return ReadFavoritesDataFile(path, decode);
  }
  const std::string passphrase = LoadSettings(settingsPath, {}).settings.Passphrase;
  if (passphrase.empty()) {
    return R::Fail(path + ": sealed, and " + settingsPath + " holds no passphrase");
  }
  const Result<OpenedSeal> opened = OpenSealedBytes(ReadWholeFile(path), passphrase);
  if (!opened) {
    return R::Fail(path + ": " + opened.error());
  }
  R parsed = ParseFavoritesDataFile(opened->plain, false);
  return parsed ? std::move(parsed) : R::Fail(path + ": " + parsed.error());
}

}  // namespace kestrin::cli
