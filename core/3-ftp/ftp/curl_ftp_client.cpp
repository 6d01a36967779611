#include <curl/curl.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "ftp/curl_client.h"
#include "ftp/curl_clients.h"
#include "ftp/ftp_client.h"

namespace kestrin {
namespace {

// The user's own key, the kinds OpenSSH makes by default first.
constexpr const char* kSshKeyNames[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Receives the server's reply lines, and for NOBODY requests header lines that libcurl makes
// up, which carry no reply code. Keeps the last two final reply lines ("550 No such file."),
// cut short: a hostile server must not flood the activity lines.
size_t KeepFinalReplies(char* data, size_t size, size_t count, void* replies) {
  constexpr size_t kLongestReply = 200;
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  if (line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
      line[3] == ' ') {
    auto& kept = *static_cast<std::vector<std::string>*>(replies);
    if (kept.size() == 2) {
      kept.erase(kept.begin());
    }
    kept.emplace_back(line.substr(0, kLongestReply));
  }
  return bytes;
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

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, CurlListFree>;

// FTP, FTP over TLS and SFTP through libcurl.
class CurlFtpClient final : public CurlClient {
 public:
  using CurlClient::CurlClient;

  Result<> Connect(const FtpConnectOptions& options) override {
    currentDirectory_.clear();
    if (Result<> started = Start(options, IsSftp(options) ? "sftp" : "ftp"); !started) {
      return started;
    }
    // Logs in and keeps the control connection open for every later operation.
    const auto login = [this] { NoTransfer(); };
    Result<> loggedIn = Perform(DirectoryUrl(currentDirectory_), login);
    if (!loggedIn) {
      LearnCertificateAfter(DirectoryUrl(currentDirectory_), login);
      Close();
    }
    return loggedIn;
  }

  Result<> SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Result<>::Fail("unusable directory name");
    }
    const std::string candidate = directory.front() == '/' || currentDirectory_.empty()
                                      ? directory
                                      : currentDirectory_ + "/" + directory;
    if (const Result<> entered = Perform(DirectoryUrl(candidate), [this] { NoTransfer(); });
        !entered) {
      return Result<>::Fail("cannot enter folder \"" + directory + "\": " + entered.error());
    }
    currentDirectory_ = candidate;
    return Result<>::Ok();
  }

  Result<RemoteFile> Probe(const std::string& name) override {
    using Presence = Result<RemoteFile>;
    if (!IsSafeName(name)) {
      return Presence::Fail("unusable file name");
    }
    // A size proves a plain file. A 550 may be a refusal of SIZE as well as a missing
    // file, and a server may not know SIZE at all: then the directory's listing decides.
    const CURLcode sized = Run(FileUrl(name), [this] { NoTransfer(); });
    curl_off_t size = -1;
    if (sized == CURLE_OK &&
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) == CURLE_OK &&
        size >= 0) {
      return Presence::Ok(RemoteFile::Present);
    }
    if (sized != CURLE_OK && sized != CURLE_REMOTE_FILE_NOT_FOUND) {
      return Presence::Fail(failure_);
    }
    // The names in the current directory (NLST), one a line.
    const auto names = Fetch(DirectoryUrl(currentDirectory_),
                             [this] { curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, 1L); });
    if (!names) {
      return Presence::Fail(names.error());
    }
    return Presence::Ok(IsListed(*names, name) ? RemoteFile::Present : RemoteFile::Absent);
  }

  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    using Renamed = Result<void, RenameFailure>;
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
    if (replies_.empty() || replies_.back().front() != '5') {
      // A transient refusal: the same may work next time.
      return Renamed::Fail({RenameRefusal::None, failure_});
    }
    // RNFR's "350" came just before the refusal: the server took the source.
    const bool sourceTaken =
        replies_.size() >= 2 && replies_[replies_.size() - 2].starts_with("350");
    return Renamed::Fail({sourceTaken ? RenameRefusal::Target : RenameRefusal::Source, failure_});
  }

  Result<> Delete(const std::string& name) override {
    if (!IsSafeName(name)) {
      return Result<>::Fail("unusable file name");
    }
    const CURLcode deleted = RunCommands({IsSftp() ? "rm " + SftpPath(name) : "DELE " + name});
    return deleted == CURLE_OK ? Result<>::Ok() : Failed();
  }

 private:
  void ApplyProtocolOptions() override {
    replies_.clear();
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, IsSftp() ? "sftp" : "ftp");
    curl_easy_setopt(easy_, CURLOPT_USERNAME, options_.username.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, options_.password.c_str());
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (!options_.passive) {
      // Active: the server connects back to the address of our control connection.
      curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");
    }
    if (options_.protocol == Protocol::FtpOverTls) {
      // The login and every transfer are protected.
      curl_easy_setopt(easy_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    } else if (IsSftp()) {
      ApplySshLogin();
    }
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepFinalReplies);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &replies_);
  }

  std::string LastReply() const override { return replies_.empty() ? "" : replies_.back(); }

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

  static bool IsSftp(const FtpConnectOptions& options) {
    return options.protocol == Protocol::Sftp;
  }
  bool IsSftp() const { return IsSftp(options_); }

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

  std::string FileUrl(const std::string& name) const override {
    return DirectoryUrl(currentDirectory_) + Escape(name);
  }

  std::string currentDirectory_;      // relative to the login directory unless it starts with "/"
  std::vector<std::string> replies_;  // the last final reply lines of the request under way
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFileTransferClient(std::function<void()> yield) {
  return std::make_unique<CurlFtpClient>(std::move(yield));
}

}  // namespace kestrin
