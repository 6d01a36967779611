#include "formats/sealed_file.h"

#include <sodium.h>

#include <array>
#include <cstdint>

namespace kestrin {
namespace {

constexpr std::string_view kMagic = "KSEAL";
constexpr unsigned char kVersion = 2;
constexpr unsigned char kVersionWithoutLabel = 1;

constexpr std::size_t kOpsOffset = kMagic.size() + 2;
constexpr std::size_t kMemOffset = kOpsOffset + 4;
constexpr std::size_t kSaltOffset = kMemOffset + 8;
constexpr std::size_t kNonceOffset = kSaltOffset + crypto_pwhash_SALTBYTES;
constexpr std::size_t kUnlabelledHeaderBytes =
    kNonceOffset + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kGenerationOffset = kUnlabelledHeaderBytes;
constexpr std::size_t kFolderLengthOffset = kGenerationOffset + 8;
constexpr std::size_t kFolderOffset = kFolderLengthOffset + 2;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;

// Files are sealed at libsodium's interactive limits (64 MiB, two passes): a run may seal on
// a schedule on a modest computer. A header may ask for more, up to the moderate memory and
// the sensitive passes, and no further: a hostile file must not take the reader's memory.
constexpr std::uint64_t kSealOps = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::uint64_t kSealMem = crypto_pwhash_MEMLIMIT_INTERACTIVE;
constexpr std::uint64_t kMinOps = crypto_pwhash_OPSLIMIT_MIN;
constexpr std::uint64_t kMaxOps = crypto_pwhash_OPSLIMIT_SENSITIVE;
constexpr std::uint64_t kMinMem = crypto_pwhash_MEMLIMIT_MIN;
constexpr std::uint64_t kMaxMem = crypto_pwhash_MEMLIMIT_MODERATE;

using Key = std::array<unsigned char, crypto_aead_xchacha20poly1305_ietf_KEYBYTES>;

const unsigned char* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

unsigned char* Bytes(std::string& text) {
  return reinterpret_cast<unsigned char*>(text.data());
}

void PutNumber(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xff);
  }
}

std::uint64_t NumberAt(std::string_view in, std::size_t offset, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(in[offset + i]);
  }
  return value;
}

// The key the header names, derived from the passphrase; false when memory ran short.
bool DeriveKey(Key& key, std::string_view passphrase, std::string_view header) {
  return crypto_pwhash(key.data(), key.size(), passphrase.data(), passphrase.size(),
                       Bytes(header.substr(kSaltOffset)), NumberAt(header, kOpsOffset, 4),
                       NumberAt(header, kMemOffset, 8), crypto_pwhash_ALG_ARGON2ID13) == 0;
}

unsigned char VersionOf(std::string_view sealed) {
  return static_cast<unsigned char>(sealed[kMagic.size()]);
}

// The header's length, label included; 0 when the file ends before the header does.
std::size_t HeaderBytes(std::string_view sealed) {
  if (VersionOf(sealed) == kVersionWithoutLabel) {
    return sealed.size() < kUnlabelledHeaderBytes ? 0 : kUnlabelledHeaderBytes;
  }
  if (sealed.size() < kFolderOffset) {
    return 0;
  }
  const std::size_t bytes = kFolderOffset + NumberAt(sealed, kFolderLengthOffset, 2);
  return sealed.size() < bytes ? 0 : bytes;
}

SealLabel LabelOf(std::string_view sealed) {
  if (VersionOf(sealed) == kVersionWithoutLabel) {
    return {0, "", false};
  }
  return {NumberAt(sealed, kGenerationOffset, 8),
          std::string(sealed.substr(kFolderOffset, HeaderBytes(sealed) - kFolderOffset))};
}

// Why the header cannot be used; empty when it can.
std::string HeaderRefusal(std::string_view sealed) {
  if (!LooksSealed(sealed)) {
    return "not a sealed file";
  }
  if (VersionOf(sealed) != kVersion && VersionOf(sealed) != kVersionWithoutLabel) {
    return "sealed in format version " + std::to_string(VersionOf(sealed)) +
           ", which this version does not know";
  }
  if (HeaderBytes(sealed) == 0 || sealed.size() < HeaderBytes(sealed) + kTagBytes) {
    return "the file is cut short";
  }
  if (static_cast<unsigned char>(sealed[kMagic.size() + 1]) != crypto_pwhash_ALG_ARGON2ID13) {
    return "the key derivation is not Argon2id";
  }
  const std::uint64_t ops = NumberAt(sealed, kOpsOffset, 4);
  const std::uint64_t mem = NumberAt(sealed, kMemOffset, 8);
  if (ops < kMinOps || ops > kMaxOps || mem < kMinMem || mem > kMaxMem) {
    return "the key derivation asks for " + std::to_string(ops) + " passes over " +
           std::to_string(mem) + " bytes, outside " + std::to_string(kMinOps) + " to " +
           std::to_string(kMaxOps) + " passes over " + std::to_string(kMinMem) + " to " +
           std::to_string(kMaxMem) + " bytes";
  }
  return "";
}

}  // namespace

bool LooksSealed(std::string_view bytes) {
  return bytes.size() > kMagic.size() && bytes.starts_with(kMagic);
}

Result<std::string> SealBytes(std::string_view plain, std::string_view passphrase,
                              const SealLabel& label) {
  using R = Result<std::string>;
  if (sodium_init() < 0) {
    return R::Fail("the encryption library cannot start");
  }
  if (label.folder.size() > kMaxSealedFolderBytes) {
    return R::Fail("the folder name is longer than " + std::to_string(kMaxSealedFolderBytes) +
                   " bytes");
  }
  std::string sealed(kMagic);
  sealed += static_cast<char>(kVersion);
  sealed += static_cast<char>(crypto_pwhash_ALG_ARGON2ID13);
  PutNumber(sealed, kSealOps, 4);
  PutNumber(sealed, kSealMem, 8);
  sealed.resize(kGenerationOffset);
  randombytes_buf(Bytes(sealed) + kSaltOffset, kGenerationOffset - kSaltOffset);  // salt, nonce
  PutNumber(sealed, label.generation, 8);
  PutNumber(sealed, label.folder.size(), 2);
  sealed += label.folder;
  const std::size_t headerBytes = sealed.size();

  Key key;
  if (!DeriveKey(key, passphrase, sealed)) {
    return R::Fail("not enough memory to derive the key from the passphrase");
  }
  sealed.resize(headerBytes + plain.size() + kTagBytes);
  crypto_aead_xchacha20poly1305_ietf_encrypt(Bytes(sealed) + headerBytes, nullptr, Bytes(plain),
                                             plain.size(), Bytes(sealed), headerBytes, nullptr,
                                             Bytes(sealed) + kNonceOffset, key.data());
  sodium_memzero(key.data(), key.size());
  return R::Ok(std::move(sealed));
}

Result<OpenedSeal> OpenSealedBytes(std::string_view sealed, std::string_view passphrase) {
  using R = Result<OpenedSeal>;
  if (sodium_init() < 0) {
    return R::Fail("the encryption library cannot start");
  }
  if (const std::string refusal = HeaderRefusal(sealed); !refusal.empty()) {
    return R::Fail(refusal);
  }
  Key key;
  if (!DeriveKey(key, passphrase, sealed)) {
    return R::Fail("not enough memory to derive the key from the passphrase");
  }
  const std::size_t headerBytes = HeaderBytes(sealed);
  const std::string_view cipher = sealed.substr(headerBytes);
  std::string plain(cipher.size() - kTagBytes, '\0');
  const int opened = crypto_aead_xchacha20poly1305_ietf_decrypt(
      Bytes(plain), nullptr, nullptr, Bytes(cipher), cipher.size(), Bytes(sealed), headerBytes,
      Bytes(sealed) + kNonceOffset, key.data());
  sodium_memzero(key.data(), key.size());
  if (opened != 0) {
    return R::Fail("the passphrase is not the one it was sealed with, or the file was changed");
  }
  return R::Ok({std::move(plain), LabelOf(sealed)});
}

}  // namespace kestrin
