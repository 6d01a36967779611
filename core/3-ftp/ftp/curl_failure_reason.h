#pragma once

#include <curl/curl.h>

#include <string>

namespace kestrin {

// What the client knew when a libcurl request failed.
struct CurlFailure {
  CURLcode code = CURLE_OK;
  long osError = 0;  // errno of the failed connect, 0 if none
  std::string host;  // as the settings name it
  int port = 0;
  std::string serverReply;  // the server's last final reply line ("530 Login incorrect."), if any
  std::string libraryText;  // libcurl's own message
  long httpStatus = 0;      // the HTTP status of a refused request, 0 if none
};

// The failure in plain words: who refused what, or what the server answered.
std::string DescribeCurlFailure(const CurlFailure& failure);

}  // namespace kestrin
