#include "sync/curl_failure_reason.h"

#include <cerrno>
#include <system_error>

namespace kestrin {

std::string DescribeCurlFailure(const CurlFailure& failure) {
  const std::string where = failure.host + " port " + std::to_string(failure.port);
  switch (failure.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return "could not resolve host " + failure.host;
    case CURLE_COULDNT_CONNECT:
      if (failure.osError == ECONNREFUSED) {
        return "connection refused by " + where;
      }
      return "could not connect to " + where +
             (failure.osError != 0
                  ? ": " + std::generic_category().message(static_cast<int>(failure.osError))
                  : "");
    default:
      break;
  }
  // A refusal in the server's own words says more than libcurl's name for it.
  if (!failure.serverReply.empty() &&
      (failure.serverReply.front() == '4' || failure.serverReply.front() == '5')) {
    return "the server answered " + failure.serverReply;
  }
  switch (failure.code) {
    case CURLE_OPERATION_TIMEDOUT:
      return "timed out waiting for " + where + ": " + failure.libraryText;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return "the connection to " + where + " was lost";
    case CURLE_PARTIAL_FILE:
      return "the connection to " + where + " ended before the whole file arrived";
    default:
      return failure.libraryText.empty() ? curl_easy_strerror(failure.code) : failure.libraryText;
  }
}

}  // namespace kestrin
