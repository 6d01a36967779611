#include "ftp/curl_failure_reason.h"

#include <cerrno>
#include <system_error>

namespace kestrin {
namespace {

// An HTTP refusal in plain words; the status line where none fits.
std::string DescribeHttpRefusal(long status, const std::string& reply) {
  switch (status) {
    case 401:
      return "the server refused the user name or password";
    case 403:
      return "the server does not allow this user to do that";
    case 404:
    case 410:
      return "the server has no such file or folder";
    case 405:
      return "the server does not allow that here (" + reply + ")";
    case 412:
      return "another computer changed the file meanwhile";
    case 423:
      return "the file is locked on the server";
    case 507:
      return "the server is out of space";
    default:
      break;
  }
  if (status >= 300 && status < 400) {
    return "the server sent the request elsewhere, which is not followed: " + reply;
  }
  return "the server answered " + reply;
}

}  // namespace

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
    case CURLE_HTTP_RETURNED_ERROR:
      return DescribeHttpRefusal(failure.httpStatus, failure.serverReply);
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
