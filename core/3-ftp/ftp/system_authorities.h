#pragma once

#include <curl/curl.h>

namespace kestrin {

// Has the request trust the certificate authorities the system trusts, as no file of them
// is given.
void TrustSystemAuthorities(CURL* easy);

}  // namespace kestrin
