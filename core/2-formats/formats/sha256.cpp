#include "formats/sha256.h"

#include <sodium.h>

namespace kestrin {

// libsodium's SHA-256 has one implementation: it needs no sodium_init.
std::string Sha256(std::string_view bytes) {
  std::string digest(crypto_hash_sha256_BYTES, '\0');
  crypto_hash_sha256(reinterpret_cast<unsigned char*>(digest.data()),
                     reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return digest;
}

}  // namespace kestrin
