#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "ftp/curl_failure_reason.h"
#include "ftp/curl_server_identity.h"
#include "ftp/file_facts.h"
#include "ftp/ftp_client.h"

namespace kestrin {
namespace {

// Short enough that the window stays responsive while a transfer waits on the network.
constexpr int kPollMilliseconds = 50;

using Clock = std::chrono::steady_clock;

// The user's own key, the kinds OpenSSH makes by default first.
constexpr const char* kSshKeyNames[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

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

struct Replies {
  std::vector<std::string> finals;  // the last two final reply lines ("550 No such file.")
  std::string facts;                // the last line within a reply that starts with a blank
};

// Receives the server's reply lines, and for NOBODY requests header lines that libcurl makes
// up, which carry no reply code. Keeps them cut short: a hostile server must not flood the
// activity lines.
size_t KeepReplies(char* data, size_t size, size_t count, void* replies) {
  constexpr size_t kLongestReply = 200;
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  auto& kept = *static_cast<Replies*>(replies);
  if (line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
      line[3] == ' ') {
    if (kept.finals.size() == 2) {
      kept.finals.erase(kept.finals.begin());
    }
    kept.finals.emplace_back(line.substr(0, kLongestReply));
  } else if (line.starts_with(' ')) {
    kept.facts = line.substr(0, kLongestReply);
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

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A file made afresh for this process alone. A link planted in its place is removed, not
// followed, so server bytes cannot land in a file the link points to.
File CreateNewFile(const std::string& path) {
  unlink(path.c_str());
  const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) {
    return nullptr;
  }
  File file(fdopen(fd, "wb"));
  if (file == nullptr) {
    close(fd);
  }
  return file;
}

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, CurlListFree>;

class CurlFtpClient final : public FtpClient {
 public:
  explicit CurlFtpClient(std::function<void()> yield) : yield_(std::move(yield)) {}
  ~CurlFtpClient() override { Close(); }

  Result<> Connect(const FtpConnectOptions& options) override {
    Close();
    options_ = options;
    currentDirectory_.clear();
    identity_.Expect(options.protocol, options.serverFingerprint);
    const std::string host =
        options.server.find(':') == std::string::npos ? options.server : "[" + options.server + "]";
    serverUrl_ =
        std::string(IsSftp() ? "sftp" : "ftp") + "://" + host + ":" + std::to_string(options.port);
    binary_ = false;
    probed_.reset();
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (multi_ == nullptr || easy_ == nullptr) {
      Close();
      return Result<>::Fail("cannot start libcurl");
    }
    curl_multi_add_handle(multi_, easy_);
    // Logs in and keeps the control connection open for every later operation.
    Result<> loggedIn = Perform(DirectoryUrl(currentDirectory_), [this] { NoTransfer(); });
    if (!loggedIn && identity_.LearnCertificate(lastCode_)) {
      // The system does not trust the certificate: its key is learnt, to be trusted on first use.
      static_cast<void>(Run(DirectoryUrl(currentDirectory_), [this] { NoTransfer(); }));
    }
    if (!loggedIn) {
      Close();
      return loggedIn;
    }
    char* entry = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_FTP_ENTRY_PATH, &entry);
    entryPath_ = entry != nullptr ? entry : "";
    return loggedIn;
  }

  std::string PresentedFingerprint() const override { return identity_.presented(); }

  Result<> SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Result<>::Fail("unusable directory name");
    }
    probed_.reset();
    const std::string candidate = directory.front() == '/'     ? directory
                                  : !currentDirectory_.empty() ? currentDirectory_ + "/" + directory
                                                               : FromEntry(directory);
    if (const Result<> entered = Perform(DirectoryUrl(candidate), [this] { NoTransfer(); });
        !entered) {
      return Result<>::Fail("cannot enter folder \"" + directory + "\": " + entered.error());
    }
    currentDirectory_ = candidate;
    return Result<>::Ok();
  }

  Result<RemoteFile> Probe(const std::string& name) override {
    using Presence = Result<RemoteFile>;
    probed_.reset();
    if (!IsSafeName(name)) {
      return Presence::Fail("unusable file name");
    }
    const Result<FileFacts> facts = LookUp(name);
    if (!facts) {
      return Presence::Fail(facts.error());
    }
    // A download that follows at once needs not ask for the size again.
    probed_ = {name, *facts};
    return Presence::Ok(facts->plainFile ? RemoteFile::Present : RemoteFile::Absent);
  }

  Result<> Download(const std::string& remoteName, const std::string& localPath) override {
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
    Result<> received = Fetch(remoteName, target.received, [this, &target] {
      curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, WriteToTarget);
      curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
    });
    const bool written = std::fclose(file.release()) == 0;
    std::error_code error;
    if (received && written) {
      std::filesystem::rename(partialPath, localPath, error);
      if (!error) {
        return received;
      }
      received = Result<>::Fail("cannot replace " + localPath + ": " + error.message());
    } else if (received) {
      received = Result<>::Fail("cannot write " + partialPath);
    }
    std::filesystem::remove(partialPath, error);
    return received;
  }

  Result<std::string> Read(const std::string& remoteName) override {
    using Bytes = Result<std::string>;
    if (!IsSafeName(remoteName)) {
      return Bytes::Fail("unusable file name");
    }
    TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
    if (const Result<> read = Fetch(remoteName, target.received,
                                    [this, &target] {
                                      curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
                                      curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
                                    });
        !read) {
      return Bytes::Fail(read.error());
    }
    return Bytes::Ok(std::move(target.text));
  }

  Result<> Upload(const std::string& localPath, const std::string& remoteName) override {
    probed_.reset();
    if (!IsSafeName(remoteName)) {
      return Result<>::Fail("unusable file name");
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(localPath, error);
    File file(error ? nullptr : std::fopen(localPath.c_str(), "rb"));
    if (file == nullptr) {
      return Result<>::Fail("cannot read " + localPath);
    }
    const Result<> sent =
        Transfer(remoteName, static_cast<std::int64_t>(size), [this, &file, size] {
          curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
          curl_easy_setopt(easy_, CURLOPT_READFUNCTION, ReadFromFile);
          curl_easy_setopt(easy_, CURLOPT_READDATA, file.get());
          curl_easy_setopt(easy_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
        });
    if (!sent) {
      return sent;
    }
    // Every byte written to the socket is no proof: a data connection cut with a plain
    // close ends the upload early for the server, which keeps the part and says success.
    const auto stored = StoredSize(remoteName);
    if (stored != static_cast<std::int64_t>(size)) {
      return Result<>::Fail("the server stored " +
                            (stored ? std::to_string(*stored) : "an unknown number") + " of " +
                            std::to_string(size) + " bytes");
    }
    return sent;
  }

  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    using Renamed = Result<void, RenameFailure>;
    probed_.reset();
    if (!IsSafeName(from) || !IsSafeName(to)) {
      return Renamed::Fail({RenameRefusal::None, "unusable file name"});
    }
    const CURLcode renamed = IsSftp()
                                 ? RunCommands({"rename " + SftpPath(from) + " " + SftpPath(to)})
                                 : RunCommands({"RNFR " + from, "RNTO " + to});
    switch (renamed) {
      case CURLE_OK:
        return Renamed::Ok();
      case CURLE_QUOTE_ERROR:
        break;
      default:
        return Renamed::Fail({RenameRefusal::None, failure_});
    }
    if (IsSftp()) {
      // SFTP version 3, the one OpenSSH speaks, will not rename onto an existing file.
      return Renamed::Fail({RenameRefusal::Target, failure_});
    }
    const auto& replies = replies_.finals;
    if (replies.empty() || replies.back().front() != '5') {
      // A transient refusal: the same may work next time.
      return Renamed::Fail({RenameRefusal::None, failure_});
    }
    // RNFR's "350" came just before the refusal: the server took the source.
    const bool sourceTaken = replies.size() >= 2 && replies[replies.size() - 2].starts_with("350");
    return Renamed::Fail({sourceTaken ? RenameRefusal::Target : RenameRefusal::Source, failure_});
  }

  Result<> Delete(const std::string& name) override {
    probed_.reset();
    if (!IsSafeName(name)) {
      return Result<>::Fail("unusable file name");
    }
    const CURLcode deleted = RunCommands({IsSftp() ? "rm " + SftpPath(name) : "DELE " + name});
    return deleted == CURLE_OK ? Result<>::Ok() : Failed();
  }

  void Close() override {
    probed_.reset();
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

 private:
  template <typename Configure>
  Result<> Perform(const std::string& url, Configure configure) {
    return Run(url, configure) == CURLE_OK ? Result<>::Ok() : Failed();
  }

  // The failure of the last request.
  Result<> Failed() const { return Result<>::Fail(failure_); }

  // Runs one request on the logged-in connection: the handle is reset to the session's
  // settings, `configure` adds the request's own, and the network waits yield. A failed
  // request leaves its reason in failure_.
  template <typename Configure>
  CURLcode Run(const std::string& url, Configure configure) {
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
    replies_ = {};
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
    lastCode_ = result;
    long connects = 0;
    if (curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK && connects > 0) {
      binary_ = false;  // a new login starts in ASCII
    }
    identity_.Seen(easy_, result);
    if (result != CURLE_OK) {
      long osError = 0;
      curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
      failure_ = DescribeCurlFailure(
          {result, osError, options_.server, options_.port, LastReply(), errorBuffer_});
    }
    return result;
  }

  std::string LastReply() const { return replies_.finals.empty() ? "" : replies_.finals.back(); }

  // The current directory's listing: the names alone (SFTP), or LIST, which every FTP server
  // takes without an argument. Fails when the server will not list it.
  Result<std::string> List() {
    TextTarget target{"", static_cast<size_t>(options_.maxDownloadBytes)};
    const Result<> listed = Perform(DirectoryUrl(currentDirectory_), [this, &target] {
      curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, IsSftp() ? 1L : 0L);
      curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, AppendToText);
      curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &target);
    });
    binary_ = false;  // listings go in ASCII
    if (!listed) {
      return Result<std::string>::Fail(listed.error());
    }
    return Result<std::string>::Ok(std::move(target.text));
  }

  // What the server tells of a name. SFTP: its size proves a plain file. FTP: SIZE first, one
  // command that nearly every server knows; a 550 that does not say the file is missing may
  // refuse a folder as well, and a refusal tells nothing: MLST tells, and where the server
  // knows no MLST, the listing.
  Result<FileFacts> LookUp(const std::string& name) {
    using Facts = Result<FileFacts>;
    if (IsSftp()) {
      return SftpLookUp(name);
    }
    // A server may refuse SIZE in ASCII mode.
    const bool typeSent = !binary_;
    const CURLcode sized =
        typeSent ? RunCommands({"TYPE I", "SIZE " + name}) : RunCommands({"SIZE " + name});
    if (sized != CURLE_OK && sized != CURLE_QUOTE_ERROR) {
      return Facts::Fail(failure_);
    }
    if (typeSent) {
      const auto& replies = replies_.finals;
      binary_ = sized == CURLE_OK || (replies.size() == 2 && replies.front().starts_with('2'));
    }
    if (const auto size = SizeInReply(LastReply())) {
      return Facts::Ok({true, size});
    }
    if (SaysNoSuchFile(LastReply())) {
      return Facts::Ok({});
    }
    const CURLcode described = RunCommands({"MLST " + name});
    if (described == CURLE_OK) {
      return Facts::Ok(FactsOfMlstLine(replies_.facts));
    }
    if (described != CURLE_QUOTE_ERROR) {
      return Facts::Fail(failure_);
    }
    if (SaysNoSuchFile(LastReply())) {
      return Facts::Ok({});
    }
    const auto listing = List();
    if (!listing) {
      return Facts::Fail(listing.error());
    }
    return Facts::Ok(FactsInListing(*listing, name));
  }

  Result<FileFacts> SftpLookUp(const std::string& name) {
    using Facts = Result<FileFacts>;
    const CURLcode sized = Run(FileUrl(name), [this] { NoTransfer(); });
    curl_off_t size = -1;
    if (sized == CURLE_OK &&
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) == CURLE_OK &&
        size >= 0) {
      return Facts::Ok({true, size});
    }
    if (sized != CURLE_OK && sized != CURLE_REMOTE_FILE_NOT_FOUND) {
      return Facts::Fail(failure_);
    }
    const auto names = List();
    if (!names) {
      return Facts::Fail(names.error());
    }
    return Facts::Ok({IsListed(*names, name), std::nullopt});
  }

  // Downloads a file whole, or fails. Its size, told by the check just before or asked for
  // now, is what must arrive: a data connection cut with a plain close looks like the end.
  // libcurl is kept from asking SIZE itself, which a server may refuse.
  template <typename Configure>
  Result<> Fetch(const std::string& name, const std::int64_t& received, Configure configure) {
    std::optional<std::int64_t> expected;
    if (probed_ && probed_->first == name) {
      expected = probed_->second.size;
    } else if (!IsSftp()) {
      const Result<FileFacts> facts = LookUp(name);
      if (!facts) {
        return Result<>::Fail(facts.error());
      }
      expected = facts->size;
    }
    probed_.reset();
    const std::int64_t limit = options_.maxDownloadBytes;
    const auto tooLarge = [limit] {
      return Result<>::Fail("more than " + std::to_string(limit) + " bytes");
    };
    if (expected > limit) {
      return tooLarge();
    }
    Result<> done = Transfer(name, expected.value_or(limit), [this, &configure, limit] {
      configure();
      curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
      curl_easy_setopt(easy_, CURLOPT_IGNORE_CONTENT_LENGTH, IsSftp() ? 0L : 1L);
    });
    if (received > limit) {
      return tooLarge();
    }
    if (done && expected && received != *expected) {
      return Result<>::Fail("received " + std::to_string(received) + " of " +
                            std::to_string(*expected) + " bytes");
    }
    return done;
  }

  // The name in a path relative to the login directory, from that directory itself when the
  // server told it: then libcurl needs not return to it before entering the folder.
  std::string FromEntry(const std::string& directory) const {
    if (IsSftp() || !entryPath_.starts_with('/')) {
      return directory;
    }
    return (entryPath_.ends_with('/') ? entryPath_ : entryPath_ + "/") + directory;
  }

  // A request that moves a file of at most `maxBytes`, given up when its deadline passes.
  template <typename Configure>
  Result<> Transfer(const std::string& name, std::int64_t maxBytes, Configure configure) {
    TransferDeadline deadline{Clock::now(), options_, maxBytes};
    Result<> done = Perform(FileUrl(name), [this, &configure, &deadline] {
      configure();
      curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
      curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, EnforceDeadline);
      curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, &deadline);
    });
    binary_ = true;  // libcurl set binary mode for it
    if (deadline.expired) {
      const auto seconds = std::chrono::ceil<std::chrono::seconds>(deadline.limit).count();
      done = Result<>::Fail("the transfer was too slow and was stopped after " +
                            std::to_string(seconds) + (seconds == 1 ? " second" : " seconds"));
    }
    return done;
  }

  // The size the server gives for a stored file; none when it cannot tell.
  std::optional<std::int64_t> StoredSize(const std::string& name) {
    const Result<FileFacts> facts = LookUp(name);
    return facts ? facts->size : std::nullopt;
  }

  void ApplySessionOptions() {
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, IsSftp() ? "sftp" : "ftp");
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
    if (options_.protocol == Protocol::FtpOverTls) {
      // The login and every transfer are protected. "AUTH TLS" is the form servers know;
      // libcurl would try the old "AUTH SSL" first.
      curl_easy_setopt(easy_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      curl_easy_setopt(easy_, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
      if (!options_.trustedAuthorities.empty()) {
        curl_easy_setopt(easy_, CURLOPT_CAINFO, options_.trustedAuthorities.c_str());
      }
    } else if (IsSftp()) {
      ApplySshLogin();
    }
    identity_.Apply(easy_);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepReplies);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &replies_);
    // Without a sink a request's body would go to stdout.
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, DiscardBytes);
  }

  // The user's own key, or the password, logs in.
  void ApplySshLogin() {
    for (const char* name : kSshKeyNames) {
      const std::string key = options_.sshKeyFolder + name;
      std::error_code error;
      if (!options_.sshKeyFolder.empty() && std::filesystem::exists(key, error)) {
        curl_easy_setopt(easy_, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str());
        // Derived from the private key by libssh2.
        curl_easy_setopt(easy_, CURLOPT_SSH_PUBLIC_KEYFILE, "");
        // A key protected by a passphrase takes the password as its passphrase.
        curl_easy_setopt(easy_, CURLOPT_KEYPASSWD, options_.password.c_str());
        break;
      }
    }
  }

  bool IsSftp() const { return options_.protocol == Protocol::Sftp; }

  // A name in the current directory as an SFTP command takes it: relative to the login's
  // starting folder unless absolute, quoted with its quotes and backslashes escaped.
  std::string SftpPath(const std::string& name) const {
    const std::string path = currentDirectory_.empty() ? name : currentDirectory_ + "/" + name;
    std::string quoted = "\"";
    for (char c : path) {
      if (c == '"' || c == '\\') {
        quoted += '\\';
      }
      quoted += c;
    }
    return quoted + '"';
  }

  void NoTransfer() { curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L); }

  // Commands sent after the request's CWD, so the names resolve in the current directory.
  CURLcode RunCommands(std::initializer_list<std::string> commands) {
    CommandList list;
    for (const auto& command : commands) {
      curl_slist* extended = curl_slist_append(list.get(), command.c_str());
      if (extended == nullptr) {
        failure_ = "out of memory";
        return CURLE_OUT_OF_MEMORY;
      }
      list.release();
      list.reset(extended);
    }
    return Run(DirectoryUrl(currentDirectory_), [this, &list] {
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

  // The URL of a directory relative to the login directory, or of an absolute one. An FTP URL's
  // path is relative to it, "%2F" marks an absolute one; an SFTP URL's path is absolute,
  // "/~/" marks a relative one.
  std::string DirectoryUrl(const std::string& directory) const {
    const bool absolute = !directory.empty() && directory.front() == '/';
    std::string url =
        serverUrl_ + (IsSftp() ? (absolute ? "/" : "/~/") : (absolute ? "/%2F" : "/"));
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

  std::function<void()> yield_;
  FtpConnectOptions options_;
  std::string serverUrl_;  // scheme, host and port
  CurlServerIdentity identity_;
  CURLcode lastCode_ = CURLE_OK;  // of the last request
  std::string currentDirectory_;  // relative to the login directory unless it starts with "/"
  std::string entryPath_;         // the login directory, as the server told it
  bool binary_ = false;           // whether the connection is in binary mode
  // What the last operation, a check, learnt of a name.
  std::optional<std::pair<std::string, FileFacts>> probed_;
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  Replies replies_;      // of the request under way
  std::string failure_;  // why the last failed request failed
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFtpClient(std::function<void()> yield) {
  return std::make_unique<CurlFtpClient>(std::move(yield));
}

std::unique_ptr<FtpClient> MakeSystemFtpClient(std::function<void()> yield) {
  return MakeCurlFtpClient(std::move(yield));
}

}  // namespace kestrin
