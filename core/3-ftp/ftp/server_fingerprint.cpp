#include "ftp/server_fingerprint.h"

#include <algorithm>
#include <cctype>

#include "formats/radix64.h"
#include "formats/sha256.h"

namespace kestrin {
namespace {

constexpr std::string_view kPrefix = "SHA256:";
constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kVersionTag = 0xA0;  // [0], present from X.509 version 2 on

// One DER element (tag, length, contents) at the front of the bytes left.
struct Element {
  unsigned char tag = 0;
  std::string_view whole;     // tag and length included
  std::string_view contents;  // what the length covers
};

// Takes the next element off `bytes`; nullopt when its length runs past their end.
std::optional<Element> TakeElement(std::string_view& bytes) {
  if (bytes.size() < 2) {
    return std::nullopt;
  }
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
  std::size_t length = byte(1);
  std::size_t header = 2;
  if (length & 0x80) {  // the long form: the next (length & 0x7f) bytes hold the length
    const std::size_t count = length & 0x7f;
    if (count == 0 || count > 4 || bytes.size() < 2 + count) {
      return std::nullopt;
    }
    length = 0;
    for (std::size_t i = 0; i < count; ++i) {
      length = length << 8 | byte(2 + i);
    }
    header += count;
  }
  if (length > bytes.size() - header) {
    return std::nullopt;
  }
  Element element{byte(0), bytes.substr(0, header + length), bytes.substr(header, length)};
  bytes.remove_prefix(header + length);
  return element;
}

// The contents of the sequence at the front of `bytes`.
std::optional<std::string_view> EnterSequence(std::string_view bytes) {
  const std::optional<Element> element = TakeElement(bytes);
  return element && element->tag == kSequence ? std::optional(element->contents) : std::nullopt;
}

// The DER SubjectPublicKeyInfo of a certificate: the seventh field of its signed part, after
// the optional version, serial number, signature algorithm, issuer, validity and subject.
std::optional<std::string_view> SubjectPublicKeyInfo(std::string_view der) {
  const std::optional<std::string_view> certificate = EnterSequence(der);
  std::optional<std::string_view> fields = certificate ? EnterSequence(*certificate) : std::nullopt;
  if (!fields) {
    return std::nullopt;
  }
  if (!fields->empty() && static_cast<unsigned char>(fields->front()) == kVersionTag &&
      !TakeElement(*fields)) {
    return std::nullopt;
  }
  for (int skipped = 0; skipped < 5; ++skipped) {
    if (!TakeElement(*fields)) {
      return std::nullopt;
    }
  }
  const std::optional<Element> key = TakeElement(*fields);
  return key && key->tag == kSequence ? std::optional(key->whole) : std::nullopt;
}

// The bytes of the first PEM certificate in the text.
std::optional<std::string> PemCertificate(const std::string& pem) {
  constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  const std::size_t begin = pem.find(kBegin);
  const std::size_t end = begin == std::string::npos ? begin : pem.find(kEnd, begin);
  if (end == std::string::npos) {
    return std::nullopt;
  }
  std::string text = pem.substr(begin + kBegin.size(), end - begin - kBegin.size());
  std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
  return Radix64Decode(text);
}

}  // namespace

std::string Sha256Fingerprint(std::string_view bytes) {
  std::string text = Radix64Encode(Sha256(bytes));
  while (!text.empty() && text.back() == '=') {
    text.pop_back();
  }
  return std::string(kPrefix) + text;
}

std::optional<std::string> CertificateKeyFingerprint(const std::string& pem) {
  const std::optional<std::string> der = PemCertificate(pem);
  const std::optional<std::string_view> key = der ? SubjectPublicKeyInfo(*der) : std::nullopt;
  return key ? std::optional(Sha256Fingerprint(*key)) : std::nullopt;
}

std::string PinnedPublicKey(const std::string& fingerprint) {
  std::string hash = fingerprint.substr(std::min(fingerprint.size(), kPrefix.size()));
  while (hash.size() % 4 != 0) {
    hash += '=';
  }
  return "sha256//" + hash;
}

}  // namespace kestrin
