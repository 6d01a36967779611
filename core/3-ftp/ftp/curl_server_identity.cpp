#include "ftp/curl_server_identity.h"

#include <string_view>

#include "ftp/server_fingerprint.h"

namespace kestrin {
namespace {

// A pin that no key matches: the TLS handshake then ends before the login is sent, and the
// certificate it showed can be read.
constexpr char kNoKeyPinned[] = "sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";

// The fingerprint of the certificate's key the last handshake showed; empty if none.
std::string CertificateShown(CURL* easy) {
  curl_certinfo* chain = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &chain) != CURLE_OK || chain == nullptr ||
      chain->num_of_certs < 1) {
    return "";
  }
  constexpr std::string_view kField = "Cert:";
  for (const curl_slist* field = chain->certinfo[0]; field != nullptr; field = field->next) {
    if (std::string_view(field->data).starts_with(kField)) {
      return CertificateKeyFingerprint(field->data + kField.size()).value_or("");
    }
  }
  return "";
}

}  // namespace

void CurlServerIdentity::Expect(Protocol protocol, const std::string& fingerprint) {
  protocol_ = protocol;
  expected_ = fingerprint;
  pin_ = fingerprint.empty() || IsSystemTrusted(fingerprint) ? "" : PinnedPublicKey(fingerprint);
  presented_.clear();
}

void CurlServerIdentity::Apply(CURL* easy) {
  if (protocol_ == Protocol::Sftp) {
    curl_easy_setopt(easy, CURLOPT_SSH_HOSTKEYFUNCTION, CheckHostKey);
    curl_easy_setopt(easy, CURLOPT_SSH_HOSTKEYDATA, this);
  } else if (UsesTls(protocol_)) {
    // The key is read from every certificate, the system's choice included.
    curl_easy_setopt(easy, CURLOPT_CERTINFO, 1L);
    if (!pin_.empty()) {
      curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
      curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
      curl_easy_setopt(easy, CURLOPT_PINNEDPUBLICKEY, pin_.c_str());
    }
  }
}

void CurlServerIdentity::Seen(CURL* easy, CURLcode result) {
  if (result == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
    presented_ = CertificateShown(easy);
  } else if (result == CURLE_OK && UsesTls(protocol_) && pin_.empty() && presented_.empty()) {
    // The login's handshake; later requests may reuse its connection and show nothing.
    if (const std::string key = CertificateShown(easy); !key.empty()) {
      presented_ = SystemTrusted(key);
    }
  }
}

bool CurlServerIdentity::LearnCertificate(CURLcode result) {
  if (!UsesTls(protocol_) || !pin_.empty() || result != CURLE_PEER_FAILED_VERIFICATION) {
    return false;
  }
  pin_ = kNoKeyPinned;
  return true;
}

int CurlServerIdentity::CheckHostKey(void* self, int, const char* key, size_t length) {
  auto& identity = *static_cast<CurlServerIdentity*>(self);
  identity.presented_ = Sha256Fingerprint(std::string_view(key, length));
  return identity.presented_ == identity.expected_ ? CURLKHMATCH_OK : CURLKHMATCH_MISMATCH;
}

}  // namespace kestrin
