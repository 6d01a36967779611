#pragma once

#include <curl/curl.h>

#include <string>

#include "ftp/ftp_client.h"

namespace kestrin {

// Checks that the server is the one expected, before the login is sent, through the libcurl
// options of each request. A TLS certificate must be trusted by the system unless a
// fingerprint is expected, which its key must match (one marked SystemTrusted asks the
// system again); an SSH host key must match the fingerprint expected, and none matches an
// empty one.
class CurlServerIdentity {
 public:
  void Expect(Protocol protocol, const std::string& fingerprint);  // at each connection
  void Apply(CURL* easy);                                          // to each request
  void Seen(CURL* easy, CURLcode result);                          // after each request
  // After a login that failed because the system does not trust the certificate: true when
  // the next request should learn its key, ending before the login.
  bool LearnCertificate(CURLcode result);
  const std::string& presented() const { return presented_; }  // FtpClient::PresentedFingerprint

 private:
  static int CheckHostKey(void* self, int keyType, const char* key, size_t length);

  Protocol protocol_ = Protocol::Ftp;
  std::string expected_;
  std::string pin_;        // the TLS key pinned, if any
  std::string presented_;  // SystemTrusted(...) when the system trusted the certificate
};

}  // namespace kestrin
