#include "ftp/system_authorities.h"

namespace kestrin {

// OpenSSL knows no authorities of its own on Windows: libcurl hands it the system's
// certificate store.
void TrustSystemAuthorities(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
}

}  // namespace kestrin
