#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// A server's identity as OpenSSH shows it: "SHA256:" and the Base64 of the hash, unpadded.
std::string Sha256Fingerprint(std::string_view bytes);

// The fingerprint of a PEM certificate's public key (its SubjectPublicKeyInfo), the key that
// libcurl's CURLOPT_PINNEDPUBLICKEY pins; nullopt when the text holds no certificate. The key,
// not the whole certificate, is the identity: a certificate renewed for the same key is the
// same server.
std::optional<std::string> CertificateKeyFingerprint(const std::string& pem);

// The fingerprint in libcurl's pinning form, "sha256//" and padded Base64.
std::string PinnedPublicKey(const std::string& fingerprint);

}  // namespace kestrin
