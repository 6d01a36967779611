#include "ftp/curl_client.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "ftp/curl_failure_reason.h"
#include "ftp/system_authorities.h"
#include "platform/native_path.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

// Short enough that the window stays responsive while a transfer waits on the network.
constexpr int kPollMilliseconds = 50;

using Clock = std::chrono::steady_clock;

size_t DiscardBytes(char*, size_t size, size_t count, void*) {
  return size * count;
}

struct DownloadTarget {
  std::FILE* file;
  std::int64_t limit;
  std::int64_t received = 0;
};

// Stops the transfer once it passes the limit, whatever size the server announced.
size_t WriteToTarget(char* data, size_t size, size_t count, void* target) {
  auto& download = *static_cast<DownloadTarget*>(target);
  const size_t bytes = size * count;
  download.received += static_cast<std::int64_t>(bytes);
  if (download.received > download.limit) {
    return 0;
  }
  return std::fwrite(data, 1, bytes, download.file);
}

struct TextTarget {
  std::string text;
  size_t limit;
  std::int64_t received = 0;
};

size_t AppendToText(char* data, size_t size, size_t count, void* target) {
  auto& text = *static_cast<TextTarget*>(target);
  const size_t bytes = size * count;
  text.received += static_cast<std::int64_t>(bytes);
  if (text.text.size() + bytes > text.limit) {
    return 0;
  }
  text.text.append(data, bytes);
  return bytes;
}

// The bytes of a file compared with those expected as they arrive, none of them kept. The
// first byte that differs, or one too many, ends the transfer: the answer is known.
struct ComparedBytes {
  std::string_view expected;
  size_t received = 0;
  bool equal = true;
};

size_t CompareWithExpected(char* data, size_t size, size_t count, void* target) {
  auto& compared = *static_cast<ComparedBytes*>(target);
  const size_t bytes = size * count;
  compared.equal =
      compared.received + bytes <= compared.expected.size() &&
      compared.expected.substr(compared.received, bytes) == std::string_view(data, bytes);
  compared.received += bytes;
  return compared.equal ? bytes : 0;
}

// How long a transfer may take: the allowance plus its size at the slowest rate, the size
// being the one announced, if any, but never more than `maxBytes`.
struct TransferDeadline {
  Clock::time_point start;
  const FtpConnectOptions& options;
  std::int64_t maxBytes;
  std::chrono::milliseconds limit{};  // the one that ran out
  bool expired = false;

  std::chrono::milliseconds LimitFor(std::int64_t bytes) const {
    const std::int64_t rate = std::max<std::int64_t>(options.slowestBytesPerSecond, 1);
    return options.transferAllowance + std::chrono::milliseconds(bytes * 1000 / rate);
  }
};

// libcurl's progress callback, called while the transfer runs, data or not.
int EnforceDeadline(void* data, curl_off_t downloadTotal, curl_off_t, curl_off_t uploadTotal,
                    curl_off_t) {
  auto& deadline = *static_cast<TransferDeadline*>(data);
  const std::int64_t announced = std::max(downloadTotal, uploadTotal);
  const auto limit =
      deadline.LimitFor(announced > 0 ? std::min(announced, deadline.maxBytes) : deadline.maxBytes);
  if (Clock::now() - deadline.start > limit) {
    deadline.limit = limit;
    deadline.expired = true;
    return 1;
  }
  return 0;
}

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
  size_t bytes = std::fread(buffer, size, count, static_cast<std::FILE*>(file)) * size;
  return std::ferror(static_cast<std::FILE*>(file)) ? CURL_READFUNC_ABORT : bytes;
}

// An HTTP request sent again (after an authentication challenge) sends its body again.
int SeekInFile(void* file, curl_off_t offset, int origin) {
  return fseeko(static_cast<std::FILE*>(file), static_cast<off_t>(offset), origin) == 0
             ? CURL_SEEKFUNC_OK
             : CURL_SEEKFUNC_CANTSEEK;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The file the descriptor is open on; null, the descriptor closed, when it is not open.
File FileOf(int fd, const char* mode) {
  File file(fd < 0 ? nullptr : fdopen(fd, mode));
  if (file == nullptr && fd >= 0) {
    close(fd);
  }
  return file;
}

// A file made afresh for this process alone. A link planted in its place is removed, not
// followed, so server bytes cannot land in a file the link points to.
File CreateNewFile(const std::string& path) {
  unlink(path.c_str());
  return FileOf(open(path.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600),
                "wb");
}

}  // namespace

bool IsSafeName(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

CurlClient::~CurlClient() {
  Close();
}

Result<> CurlClient::Start(const FtpConnectOptions& options, const std::string& scheme) {
  Close();
  options_ = options;
  identity_.Expect(options.protocol, options.serverFingerprint);
  const std::string host =
      options.server.find(':') == std::string::npos ? options.server : "[" + options.server + "]";
  serverUrl_ = scheme + "://" + host + ":" + std::to_string(options.port);
  multi_ = curl_multi_init();
  easy_ = curl_easy_init();
  if (multi_ == nullptr || easy_ == nullptr) {
    Close();
    return Result<>::Fail("cannot start libcurl");
  }
  curl_multi_add_handle(multi_, easy_);
  return Result<>::Ok();
}

void CurlClient::LearnCertificateAfter(const std::string& url,
                                       const std::function<void()>& configure) {
  if (identity_.LearnCertificate(lastCode_)) {
    // The system does not trust the certificate: its key is learnt, to be trusted on first use.
    const std::string failure = failure_;
    static_cast<void>(Run(url, configure));
    failure_ = failure;
  }
}

Result<> CurlClient::Download(const std::string& remoteName, const std::string& localPath) {
  if (!IsSafeName(remoteName)) {
    return Result<>::Fail("unusable file name");
  }
  // The target is replaced only by a whole file, never left half-written.
  const std::string partialPath = localPath + ".partial";
  File file = CreateNewFile(partialPath);
  if (file == nullptr) {
    return Result<>::Fail("cannot create " + partialPath + ": " + std::strerror(errno));
  }
  DownloadTarget target{file.get(), options_.maxDownloadBytes};
  Result<> received = Receive(remoteName, target.received, [this, &target](auto) {
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, WriteToTarget);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
  });
  const bool written = std::fclose(file.release()) == 0;
  std::error_code error;
  if (received && written) {
    std::filesystem::rename(NativePath(partialPath), NativePath(localPath), error);
    if (!error) {
      return received;
    }
    received = Result<>::Fail("cannot replace " + localPath + ": " + error.message());
  } else if (received) {
    received = Result<>::Fail("cannot write " + partialPath);
  }
  std::filesystem::remove(NativePath(partialPath), error);
  return received;
}

Result<std::string> CurlClient::Read(const std::string& remoteName) {
  if (!IsSafeName(remoteName)) {
    return Result<std::string>::Fail("unusable file name");
  }
  TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
  if (const Result<> read =
          Receive(remoteName, target.received,
                  [this, &target](std::optional<std::int64_t> expected) {
                    // Grown as it arrives, a large file would be copied at every doubling.
                    target.text.reserve(static_cast<size_t>(expected.value_or(0)));
                    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
                    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
                  });
      !read) {
    return Result<std::string>::Fail(read.error());
  }
  return Result<std::string>::Ok(std::move(target.text));
}

Result<bool> CurlClient::Holds(const std::string& remoteName, std::string_view expected) {
  if (!IsSafeName(remoteName)) {
    return Result<bool>::Fail("unusable file name");
  }
  ComparedBytes compared{expected};
  const Result<> read =
      Transfer(FileUrl(remoteName), static_cast<std::int64_t>(expected.size()), [this, &compared] {
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, CompareWithExpected);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &compared);
        ApplyDownloadOptions();
      });
  // A refusal's page of its own (HTTP) compares unequal as well, but tells nothing of the file.
  if (!read && (compared.equal || HttpStatus() >= 300)) {
    return Result<bool>::Fail(read.error());
  }
  return Result<bool>::Ok(compared.equal && compared.received == expected.size());
}

Result<> CurlClient::Receive(const std::string& name, const std::int64_t& received,
                             const std::function<void(std::optional<std::int64_t>)>& configure) {
  const Result<std::optional<std::int64_t>> expected = ExpectedSize(name);
  if (!expected) {
    return Result<>::Fail(expected.error());
  }
  const std::int64_t limit = options_.maxDownloadBytes;
  const auto tooLarge = [limit] {
    return Result<>::Fail("more than " + std::to_string(limit) + " bytes");
  };
  if (*expected > limit) {
    return tooLarge();
  }
  Result<> done = Transfer(FileUrl(name), expected->value_or(limit), [&] {
    configure(*expected);
    curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
    ApplyDownloadOptions();
  });
  if (received > limit) {
    return tooLarge();
  }
  if (done && *expected && received != **expected && !IsSizeNow(name, received)) {
    return Result<>::Fail("received " + std::to_string(received) + " of " +
                          std::to_string(**expected) + " bytes");
  }
  return done;
}

bool CurlClient::IsSizeNow(const std::string& name, std::int64_t size) {
  // A file replaced by a rename after its size was told is still read whole, as the one
  // version the server opened: its size is the one told now.
  const Result<std::optional<std::int64_t>> now = ExpectedSize(name);
  return now && *now == size;
}

Result<std::string> CurlClient::Fetch(const std::string& url,
                                      const std::function<void()>& configure) {
  TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
  if (const Result<> read = Transfer(url, options_.maxDownloadBytes,
                                     [this, &target, &configure] {
                                       curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
                                       curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
                                       configure();
                                     });
      !read) {
    return Result<std::string>::Fail(read.error());
  }
  return Result<std::string>::Ok(std::move(target.text));
}

Result<> CurlClient::Upload(const std::string& localPath, const std::string& remoteName) {
  if (!IsSafeName(remoteName)) {
    return Result<>::Fail("unusable file name");
  }
  std::error_code error;
  const auto size = std::filesystem::file_size(NativePath(localPath), error);
  if (error) {
    return Result<>::Fail("cannot read " + localPath);
  }
  if (const Result<> sent = SendFile(localPath, FileUrl(remoteName), [] {}); !sent) {
    return sent;
  }
  return CheckStoredSize(remoteName, static_cast<std::int64_t>(size));
}

Result<> CurlClient::SendFile(const std::string& localPath, const std::string& url,
                              const std::function<void()>& configure) {
  std::error_code error;
  const auto size = std::filesystem::file_size(NativePath(localPath), error);
  File file(error ? nullptr : FileOf(open(localPath.c_str(), O_RDONLY | O_CLOEXEC), "rb"));
  if (file == nullptr) {
    return Result<>::Fail("cannot read " + localPath);
  }
  return Transfer(url, static_cast<std::int64_t>(size), [this, &file, &configure, size] {
    curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy_, CURLOPT_READFUNCTION, ReadFromFile);
    curl_easy_setopt(easy_, CURLOPT_READDATA, file.get());
    curl_easy_setopt(easy_, CURLOPT_SEEKFUNCTION, SeekInFile);
    curl_easy_setopt(easy_, CURLOPT_SEEKDATA, file.get());
    curl_easy_setopt(easy_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    configure();
  });
}

Result<> CurlClient::CheckStoredSize(const std::string& name, std::int64_t expected) {
  // Every byte written to the socket is no proof: a data connection cut with a plain
  // close ends the upload early for the server, which keeps the part and says success.
  const auto stored = RemoteSize(name);
  if (stored != expected) {
    return Result<>::Fail("the server stored " +
                          (stored ? std::to_string(*stored) : "an unknown number") + " of " +
                          std::to_string(expected) + " bytes");
  }
  return Result<>::Ok();
}

std::optional<std::int64_t> CurlClient::RemoteSize(const std::string& name) {
  curl_off_t size = -1;
  if (!Perform(FileUrl(name), [this] { NoTransfer(); }) ||
      curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK || size < 0) {
    return std::nullopt;
  }
  return size;
}

void CurlClient::Close() {
  if (multi_ != nullptr && easy_ != nullptr) {
    curl_multi_remove_handle(multi_, easy_);
  }
  if (easy_ != nullptr) {
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
  }
  // The connection lives in the multi handle's cache; cleaning it up sends QUIT.
  if (multi_ != nullptr) {
    curl_multi_cleanup(multi_);
    multi_ = nullptr;
  }
}

CURLcode CurlClient::Run(const std::string& url, const std::function<void()>& configure) {
  if (easy_ == nullptr) {
    failure_ = "not connected";
    return CURLE_FAILED_INIT;
  }
  curl_multi_remove_handle(multi_, easy_);
  curl_easy_reset(easy_);
  ApplySessionOptions();
  curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
  configure();
  errorBuffer_[0] = '\0';
  curl_multi_add_handle(multi_, easy_);

  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi_, &running) != CURLM_OK) {
      failure_ = "libcurl multi interface failed";
      return CURLE_FAILED_INIT;
    }
    if (running > 0) {
      if (yield_) {
        yield_();
      }
      curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
    }
  }
  CURLcode result = CURLE_OK;
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      result = message->data.result;
    }
  }
  result = Judged(result);
  lastCode_ = result;
  ++requestsRun_;
  long connects = 0;
  if (curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK && connects > 0) {
    Reconnected();
  }
  identity_.Seen(easy_, result);
  if (result != CURLE_OK) {
    long osError = 0;
    curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
    failure_ = DescribeCurlFailure(
        {result, osError, options_.server, options_.port, LastReply(), errorBuffer_, HttpStatus()});
  }
  return result;
}

Result<> CurlClient::Transfer(const std::string& url, std::int64_t maxBytes,
                              const std::function<void()>& configure) {
  TransferDeadline deadline{Clock::now(), options_, maxBytes};
  Result<> done = Perform(url, [this, &configure, &deadline] {
    configure();
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, EnforceDeadline);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, &deadline);
  });
  if (deadline.expired) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(deadline.limit).count();
    done = Result<>::Fail("the transfer was too slow and was stopped after " +
                          std::to_string(seconds) + (seconds == 1 ? " second" : " seconds"));
  }
  Transferred();
  return done;
}

void CurlClient::ApplySessionOptions() {
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT,
                   static_cast<long>(options_.connectTimeout.count()));
  curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>(options_.replyTimeout.count()));
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options_.stallTimeout.count()));
  if (options_.trustedAuthorities.empty()) {
    TrustSystemAuthorities(easy_);
  } else {
    curl_easy_setopt(easy_, CURLOPT_CAINFO, options_.trustedAuthorities.c_str());
  }
  identity_.Apply(easy_);
  // The key share sent first is P-256's, which every TLS server takes and some take alone
  // (pure-ftpd): offered X25519 first, those ask for another share, a round trip more for
  // the login and for each data connection.
  curl_easy_setopt(easy_, CURLOPT_SSL_EC_CURVES, "P-256:X25519:P-384:P-521");
  // Without a sink a request's body would go to stdout.
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, DiscardBytes);
  ApplyProtocolOptions();
}

std::string CurlClient::Escape(const std::string& text) const {
  char* escaped = curl_easy_escape(easy_, text.data(), static_cast<int>(text.size()));
  std::string result = escaped != nullptr ? escaped : "";
  curl_free(escaped);
  return result;
}

}  // namespace kestrin
