#include <curl/curl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "sync/curl_failure_reason.h"
#include "sync/ftp_client.h"

namespace kestrin {
namespace {

// Short enough that the window stays responsive while a transfer waits on the network.
constexpr int kPollMilliseconds = 50;

// FTP commands end at a line break, so a name carrying one could smuggle in a second command.
bool IsSafeName(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

size_t DiscardBytes(char*, size_t size, size_t count, void*) {
  return size * count;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Receives the server's reply lines, and for NOBODY requests header lines that libcurl makes
// up, which carry no reply code. Keeps the last final reply line ("550 No such file.").
size_t KeepFinalReply(char* data, size_t size, size_t count, void* reply) {
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  if (line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
      line[3] == ' ') {
    static_cast<std::string*>(reply)->assign(line);
  }
  return bytes;
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

// Whether a name listing (lines ended by CR LF or LF) holds the name.
bool IsListed(std::string_view listing, std::string_view name) {
  while (!listing.empty()) {
    const size_t end = std::min(listing.find('\n'), listing.size());
    std::string_view line = listing.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line == name) {
      return true;
    }
    listing.remove_prefix(std::min(end + 1, listing.size()));
  }
  return false;
}

struct TextTarget {
  std::string text;
  size_t limit;
};

size_t AppendToText(char* data, size_t size, size_t count, void* target) {
  auto& text = *static_cast<TextTarget*>(target);
  const size_t bytes = size * count;
  if (text.text.size() + bytes > text.limit) {
    return 0;
  }
  text.text.append(data, bytes);
  return bytes;
}

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
  size_t bytes = std::fread(buffer, size, count, static_cast<std::FILE*>(file)) * size;
  return std::ferror(static_cast<std::FILE*>(file)) ? CURL_READFUNC_ABORT : bytes;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, CurlListFree>;

class CurlFtpClient final : public FtpClient {
 public:
  explicit CurlFtpClient(std::function<void()> yield) : yield_(std::move(yield)) {}
  ~CurlFtpClient() override { Close(); }

  bool Connect(const FtpConnectOptions& options) override {
    Close();
    options_ = options;
    currentDirectory_.clear();
    const std::string host =
        options.server.find(':') == std::string::npos ? options.server : "[" + options.server + "]";
    serverUrl_ = "ftp://" + host + ":" + std::to_string(options.port) + "/";
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (multi_ == nullptr || easy_ == nullptr) {
      lastError_ = "cannot start libcurl";
      Close();
      return false;
    }
    curl_multi_add_handle(multi_, easy_);
    // Logs in and keeps the control connection open for every later operation.
    if (!Perform(DirectoryUrl(currentDirectory_), [this] { NoTransfer(); })) {
      Close();
      return false;
    }
    return true;
  }

  bool SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Refuse("unusable directory name");
    }
    const std::string candidate = directory.front() == '/' || currentDirectory_.empty()
                                      ? directory
                                      : currentDirectory_ + "/" + directory;
    if (!Perform(DirectoryUrl(candidate), [this] { NoTransfer(); })) {
      return Refuse("cannot enter folder \"" + directory + "\": " + lastError_);
    }
    currentDirectory_ = candidate;
    return true;
  }

  RemoteFile Probe(const std::string& name) override {
    if (!IsSafeName(name)) {
      Refuse("unusable file name");
      return RemoteFile::Unknown;
    }
    // A size proves a plain file. A 550 may be a refusal of SIZE as well as a missing
    // file, and a server may not know SIZE at all: then the directory's listing decides.
    const CURLcode sized = Run(FileUrl(name), [this] { NoTransfer(); });
    curl_off_t size = -1;
    if (sized == CURLE_OK &&
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) == CURLE_OK &&
        size >= 0) {
      return RemoteFile::Present;
    }
    if (sized != CURLE_OK && sized != CURLE_REMOTE_FILE_NOT_FOUND) {
      return RemoteFile::Unknown;
    }
    const auto names = ListNames();
    if (!names) {
      return RemoteFile::Unknown;
    }
    return IsListed(*names, name) ? RemoteFile::Present : RemoteFile::Absent;
  }

  bool Download(const std::string& remoteName, const std::string& localPath) override {
    if (!IsSafeName(remoteName)) {
      return Refuse("unusable file name");
    }
    // The target is replaced only by a whole file, never left half-written.
    const std::string partialPath = localPath + ".partial";
    File file(std::fopen(partialPath.c_str(), "wb"));
    if (file == nullptr) {
      return Refuse("cannot write " + partialPath);
    }
    DownloadTarget target{file.get(), options_.maxDownloadBytes};
    bool received = Perform(FileUrl(remoteName), [this, &target] {
      curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, WriteToTarget);
      curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
      curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE,
                       static_cast<curl_off_t>(options_.maxDownloadBytes));
    });
    if (target.received > target.limit) {
      lastError_ = "more than " + std::to_string(target.limit) + " bytes";
    }
    bool written = std::fclose(file.release()) == 0;
    std::error_code error;
    if (received && written) {
      std::filesystem::rename(partialPath, localPath, error);
      if (!error) {
        return true;
      }
      lastError_ = "cannot replace " + localPath + ": " + error.message();
    } else if (received) {
      lastError_ = "cannot write " + partialPath;
    }
    std::filesystem::remove(partialPath, error);
    return false;
  }

  std::optional<std::string> Read(const std::string& remoteName) override {
    if (!IsSafeName(remoteName)) {
      Refuse("unusable file name");
      return std::nullopt;
    }
    TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
    if (!Perform(FileUrl(remoteName), [this, &target] {
          curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
          curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
        })) {
      return std::nullopt;
    }
    return target.text;
  }

  bool Upload(const std::string& localPath, const std::string& remoteName) override {
    if (!IsSafeName(remoteName)) {
      return Refuse("unusable file name");
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(localPath, error);
    File file(error ? nullptr : std::fopen(localPath.c_str(), "rb"));
    if (file == nullptr) {
      return Refuse("cannot read " + localPath);
    }
    const bool sent = Perform(FileUrl(remoteName), [this, &file, size] {
      curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(easy_, CURLOPT_READFUNCTION, ReadFromFile);
      curl_easy_setopt(easy_, CURLOPT_READDATA, file.get());
      curl_easy_setopt(easy_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    });
    if (!sent) {
      return false;
    }
    // Every byte written to the socket is no proof: a data connection cut with a plain
    // close ends the upload early for the server, which keeps the part and says success.
    const auto stored = RemoteSize(remoteName);
    if (stored != static_cast<std::int64_t>(size)) {
      return Refuse("the server stored " +
                    (stored ? std::to_string(*stored) : "an unknown number") + " of " +
                    std::to_string(size) + " bytes");
    }
    return true;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    if (!IsSafeName(from) || !IsSafeName(to)) {
      return Refuse("unusable file name");
    }
    return RunCommands({"RNFR " + from, "RNTO " + to});
  }

  bool Delete(const std::string& name) override {
    if (!IsSafeName(name)) {
      return Refuse("unusable file name");
    }
    return RunCommands({"DELE " + name});
  }

  void Close() override {
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

  std::string LastError() const override { return lastError_; }

 private:
  template <typename Configure>
  bool Perform(const std::string& url, Configure configure) {
    return Run(url, configure) == CURLE_OK;
  }

  // Runs one request on the logged-in connection: the handle is reset to the session's
  // settings, `configure` adds the request's own, and the network waits yield.
  template <typename Configure>
  CURLcode Run(const std::string& url, Configure configure) {
    if (easy_ == nullptr) {
      Refuse("not connected");
      return CURLE_FAILED_INIT;
    }
    curl_multi_remove_handle(multi_, easy_);
    curl_easy_reset(easy_);
    ApplySessionOptions();
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    configure();
    errorBuffer_[0] = '\0';
    lastReply_.clear();
    curl_multi_add_handle(multi_, easy_);

    int running = 1;
    while (running > 0) {
      if (curl_multi_perform(multi_, &running) != CURLM_OK) {
        Refuse("libcurl multi interface failed");
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
    if (result != CURLE_OK) {
      long osError = 0;
      curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
      lastError_ = DescribeCurlFailure(
          {result, osError, options_.server, options_.port, lastReply_, errorBuffer_});
    }
    return result;
  }

  // The names in the current directory (NLST), one a line; none when the server will not
  // list them.
  std::optional<std::string> ListNames() {
    TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
    if (!Perform(DirectoryUrl(currentDirectory_), [this, &target] {
          curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, 1L);
          curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
          curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
        })) {
      return std::nullopt;
    }
    return target.text;
  }

  // The size the server gives for a file (SIZE); none when it cannot tell.
  std::optional<std::int64_t> RemoteSize(const std::string& name) {
    curl_off_t size = -1;
    if (!Perform(FileUrl(name), [this] { NoTransfer(); }) ||
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK ||
        size < 0) {
      return std::nullopt;
    }
    return size;
  }

  void ApplySessionOptions() {
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy_, CURLOPT_USERNAME, options_.username.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, options_.password.c_str());
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(options_.connectTimeout.count()));
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(options_.replyTimeout.count()));
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(options_.stallTimeout.count()));
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (!options_.passive) {
      // Active: the server connects back to the address of our control connection.
      curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");
    }
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepFinalReply);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &lastReply_);
    // Without a sink a request's body would go to stdout.
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, DiscardBytes);
  }

  void NoTransfer() { curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L); }

  // Commands sent after the request's CWD, so the names resolve in the current directory.
  bool RunCommands(std::initializer_list<std::string> commands) {
    CommandList list;
    for (const auto& command : commands) {
      curl_slist* extended = curl_slist_append(list.get(), command.c_str());
      if (extended == nullptr) {
        return Refuse("out of memory");
      }
      list.release();
      list.reset(extended);
    }
    return Perform(DirectoryUrl(currentDirectory_), [this, &list] {
      NoTransfer();
      curl_easy_setopt(easy_, CURLOPT_POSTQUOTE, list.get());
    });
  }

  std::string Escape(const std::string& text) const {
    char* escaped = curl_easy_escape(easy_, text.data(), static_cast<int>(text.size()));
    std::string result = escaped != nullptr ? escaped : "";
    curl_free(escaped);
    return result;
  }

  // The URL path of a directory relative to the login directory; "%2F" marks an absolute one.
  std::string DirectoryUrl(const std::string& directory) const {
    std::string url = serverUrl_;
    if (!directory.empty() && directory.front() == '/') {
      url += "%2F";
    }
    size_t start = 0;
    while (start < directory.size()) {
      size_t end = directory.find('/', start);
      if (end == std::string::npos) {
        end = directory.size();
      }
      if (end > start) {
        url += Escape(directory.substr(start, end - start)) + "/";
      }
      start = end + 1;
    }
    return url;
  }

  std::string FileUrl(const std::string& name) const {
    return DirectoryUrl(currentDirectory_) + Escape(name);
  }

  bool Refuse(std::string reason) {
    lastError_ = std::move(reason);
    return false;
  }

  std::function<void()> yield_;
  FtpConnectOptions options_;
  std::string serverUrl_;
  std::string currentDirectory_;  // relative to the login directory unless it starts with "/"
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  std::string lastReply_;  // of the request under way
  std::string lastError_;
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFtpClient(std::function<void()> yield) {
  return std::make_unique<CurlFtpClient>(std::move(yield));
}

}  // namespace kestrin
