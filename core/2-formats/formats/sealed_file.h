#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// A sealed file: bytes encrypted and authenticated with a key derived from a passphrase, so
// that whoever holds the file without the passphrase can neither read it nor change it
// unnoticed. Its header, all integers little-endian:
//   "KSEAL" | version (1 byte, 2) | algorithm (1 byte, Argon2id) | opslimit (4 bytes) |
//   memlimit (8 bytes) | salt (16 bytes) | nonce (24 bytes) | generation (8 bytes) |
//   folder length (2 bytes) | folder (that many bytes)
// then the bytes encrypted with XChaCha20-Poly1305 and its 16-byte tag; the header is the
// additional data, so that a changed limit, salt, generation or folder fails like a changed
// byte. Version 1 ends its header at the nonce; it still opens, as generation 0 of no folder.

// What the header tells of the sealed bytes, authenticated with them: which shared folder
// they were sealed for and how many times that folder's list had been sealed before.
struct SealLabel {
  std::uint64_t generation = 0;
  std::string folder;
  bool namesFolder = true;  // false for version 1, which names none

  bool operator==(const SealLabel&) const = default;
};
inline constexpr std::size_t kMaxSealedFolderBytes = 4096;

struct OpenedSeal {
  std::string plain;
  SealLabel label;
};

// Whether the bytes begin as a sealed file does.
bool LooksSealed(std::string_view bytes);

// Seals the bytes with a fresh salt and nonce under the label. Fails when the label's folder
// is longer than kMaxSealedFolderBytes, or when the system cannot, e.g. when the memory for
// the key derivation cannot be had.
Result<std::string> SealBytes(std::string_view plain, std::string_view passphrase,
                              const SealLabel& label);

// Opens what SealBytes made with the same passphrase. Fails saying why: the bytes are no
// sealed file of a known version, the header asks for a derivation beyond sensible bounds,
// or the passphrase is another or a byte was changed (which cannot be told apart).
Result<OpenedSeal> OpenSealedBytes(std::string_view sealed, std::string_view passphrase);

}  // namespace kestrin
