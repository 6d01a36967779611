#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// A sealed file: bytes encrypted and authenticated with a key derived from a passphrase, so
// that whoever holds the file without the passphrase can neither read it nor change it
// unnoticed. Its header, all integers little-endian:
//   "KSEAL" | version (1 byte, 1) | algorithm (1 byte, Argon2id) | opslimit (4 bytes) |
//   memlimit (8 bytes) | salt (16 bytes) | nonce (24 bytes)
// then the bytes encrypted with XChaCha20-Poly1305 and its 16-byte tag; the header is the
// additional data, so that a changed limit or salt fails like a changed byte.

// Whether the bytes begin as a sealed file does.
bool LooksSealed(std::string_view bytes);

// Seals the bytes with a fresh salt and nonce. Fails only when the system cannot, e.g. when
// the memory for the key derivation cannot be had.
Result<std::string> SealBytes(std::string_view plain, std::string_view passphrase);

// Opens what SealBytes made with the same passphrase. Fails saying why: the bytes are no
// sealed file of a known version, the header asks for a derivation beyond sensible bounds,
// or the passphrase is another or a byte was changed (which cannot be told apart).
Result<std::string> OpenSealedBytes(std::string_view sealed, std::string_view passphrase);

}  // namespace kestrin
