#include "ftp/server_fingerprint.h"

#include <openssl/pem.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <memory>

#include "formats/radix64.h"

namespace kestrin {
namespace {

constexpr std::string_view kPrefix = "SHA256:";

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
  void operator()(X509* certificate) const { X509_free(certificate); }
};

}  // namespace

std::string Sha256Fingerprint(std::string_view bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  std::string text =
      Radix64Encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
  while (!text.empty() && text.back() == '=') {
    text.pop_back();
  }
  return std::string(kPrefix) + text;
}

std::optional<std::string> CertificateKeyFingerprint(const std::string& pem) {
  const std::unique_ptr<BIO, BioFree> input(
      BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  const std::unique_ptr<X509, X509Free> certificate(
      input ? PEM_read_bio_X509(input.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!certificate) {
    return std::nullopt;
  }
  unsigned char* der = nullptr;
  const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate.get()), &der);
  if (length <= 0) {
    return std::nullopt;
  }
  std::string fingerprint =
      Sha256Fingerprint(std::string_view(reinterpret_cast<const char*>(der), length));
  OPENSSL_free(der);
  return fingerprint;
}

std::string PinnedPublicKey(const std::string& fingerprint) {
  std::string hash = fingerprint.substr(std::min(fingerprint.size(), kPrefix.size()));
  while (hash.size() % 4 != 0) {
    hash += '=';
  }
  return "sha256//" + hash;
}

}  // namespace kestrin
