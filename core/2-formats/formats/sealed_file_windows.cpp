// Debian ships no libsodium for MinGW: this build neither seals nor opens a sealed list, and
// says so rather than falling back to a weaker form.

#include "formats/sealed_file.h"

namespace kestrin {
namespace {

constexpr char kNoSodium[] = "this Windows build has no libsodium, so it cannot seal or open it";

}  // namespace

bool LooksSealed(std::string_view bytes) {
  return bytes.size() > 5 && bytes.starts_with("KSEAL");
}

Result<std::string> SealBytes(std::string_view, std::string_view, const SealLabel&) {
  return Result<std::string>::Fail(kNoSodium);
}

Result<OpenedSeal> OpenSealedBytes(std::string_view, std::string_view) {
  return Result<OpenedSeal>::Fail(kNoSodium);
}

}  // namespace kestrin
