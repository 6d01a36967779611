#include <curl/curl.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "ftp/curl_client.h"
#include "ftp/curl_clients.h"
#include "ftp/file_facts.h"
#include "ftp/ftp_client.h"
#include "platform/native_path.h"

namespace kestrin {
namespace {

// The user's own key, the kinds OpenSSH makes by default first.
constexpr const char* kSshKeyNames[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

struct Replies {
  std::vector<std::string> finals;  // the last two final reply lines ("550 No such file.")
  std::string facts;                // the last line within a reply that starts with a blank
  std::string body;                 // the lines within replies, each ended by a line break
  bool bodyCut = false;             // more lines came than were kept
};

bool StartsWithCode(std::string_view line, char separator) {
  return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
         line[3] == separator;
}

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
  constexpr size_t kLongestBody = 64 * 1024;
  auto& kept = *static_cast<Replies*>(replies);
  if (StartsWithCode(line, ' ')) {
    if (kept.finals.size() == 2) {
      kept.finals.erase(kept.finals.begin());
    }
    kept.finals.emplace_back(line.substr(0, kLongestReply));
    return bytes;
  }
  if (line.starts_with(' ')) {
    kept.facts = line.substr(0, kLongestReply);
  }
  if (!StartsWithCode(line, '-')) {
    kept.bodyCut = kept.bodyCut || kept.body.size() + line.size() >= kLongestBody;
    if (!kept.bodyCut) {
      kept.body.append(line).push_back('\n');
    }
  }
  return bytes;
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
    mlstUnknown_ = false;
    statUnknown_ = false;
    if (Result<> started = Start(options, IsSftp(options) ? "sftp" : "ftp"); !started) {
      return started;
    }
    // Logs in and keeps the control connection open for every later operation.
    const auto login = [this] { NoTransfer(); };
    Result<> loggedIn = Perform(DirectoryUrl(currentDirectory_), login);
    if (!loggedIn) {
      LearnCertificateAfter(DirectoryUrl(currentDirectory_), login);
      Close();
      return loggedIn;
    }
    char* entry = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_FTP_ENTRY_PATH, &entry);
    entryPath_ = entry != nullptr ? entry : "";
    return loggedIn;
  }

  Result<> SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Result<>::Fail("unusable directory name");
    }
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
    if (!IsSafeName(name)) {
      return Presence::Fail("unusable file name");
    }
    // A rename just done told where the file is; a check repeated (a wait) asks again.
    const Result<FileFacts> facts =
        Fresh(name) && learnt_->byRename ? Result<FileFacts>::Ok(learnt_->facts) : LookUp(name);
    if (!facts) {
      return Presence::Fail(facts.error());
    }
    return Presence::Ok(facts->plainFile ? RemoteFile::Present : RemoteFile::Absent);
  }

  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    using Renamed = Result<void, RenameFailure>;
    if (!IsSafeName(from) || !IsSafeName(to)) {
      return Renamed::Fail({RenameRefusal::None, "unusable file name"});
    }
    const std::optional<FileFacts> moved =
        Fresh(from) && learnt_->facts.size ? std::optional(learnt_->facts) : std::nullopt;
    const CURLcode renamed = IsSftp()
                                 ? RunCommands({"rename " + SftpPath(from) + " " + SftpPath(to)})
                                 : RunCommands({"RNFR " + from, "RNTO " + to});
    switch (renamed) {
      case CURLE_OK:
        // The reply says the name now holds the file whose size was checked just before.
        if (moved) {
          learnt_ = {to, *moved, requestsRun(), true};
        }
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
    if (!IsSafeName(name)) {
      return Result<>::Fail("unusable file name");
    }
    const CURLcode deleted = RunCommands({IsSftp() ? "rm " + SftpPath(name) : "DELE " + name});
    return deleted == CURLE_OK ? Result<>::Ok() : Failed();
  }

 private:
  void ApplyProtocolOptions() override {
    replies_ = {};
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, IsSftp() ? "sftp" : "ftp");
    curl_easy_setopt(easy_, CURLOPT_USERNAME, options_.username.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, options_.password.c_str());
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
    } else if (IsSftp()) {
      ApplySshLogin();
    }
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepReplies);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &replies_);
  }

  std::string LastReply() const override {
    return replies_.finals.empty() ? "" : replies_.finals.back();
  }

  // libcurl is kept from asking SIZE itself, which a server may refuse: the size is checked
  // against ExpectedSize instead.
  void ApplyDownloadOptions() override {
    curl_easy_setopt(easy_, CURLOPT_IGNORE_CONTENT_LENGTH, IsSftp() ? 0L : 1L);
  }

  void Reconnected() override { binary_ = false; }  // a new login starts in ASCII
  void Transferred() override { binary_ = true; }   // libcurl set binary mode for it

  // A data connection cut with a plain close looks like the end of the file: the size told
  // by the check just before, or asked for now, is what must arrive.
  Result<std::optional<std::int64_t>> ExpectedSize(const std::string& name) override {
    using Size = Result<std::optional<std::int64_t>>;
    if (Fresh(name)) {
      return Size::Ok(learnt_->facts.size);
    }
    if (IsSftp()) {
      return Size::Ok(std::nullopt);
    }
    const Result<FileFacts> facts = LookUp(name);
    if (!facts) {
      return Size::Fail(facts.error());
    }
    return Size::Ok(facts->size);
  }

  std::optional<std::int64_t> RemoteSize(const std::string& name) override {
    // The connection may have ended with the transfer: the next login asks once more.
    Result<FileFacts> facts = LookUp(name);
    if (!facts) {
      facts = LookUp(name);
    }
    return facts ? facts->size : std::nullopt;
  }

  // The current directory's listing: the names alone (SFTP), or LIST, which every FTP server
  // takes without an argument. Fails when the server will not list it.
  Result<std::string> List() {
    auto listing = Fetch(DirectoryUrl(currentDirectory_), [this] {
      curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, IsSftp() ? 1L : 0L);
    });
    binary_ = false;  // listings go in ASCII
    return listing;
  }

  // What the server tells of a name, kept: a download that follows at once needs not ask again.
  Result<FileFacts> LookUp(const std::string& name) {
    Result<FileFacts> facts = AskFor(name);
    if (facts) {
      learnt_ = {name, *facts, requestsRun(), false};
    }
    return facts;
  }

  // Whether the last request told the facts of the name.
  bool Fresh(const std::string& name) const {
    return learnt_ && learnt_->name == name && learnt_->requestsRun == requestsRun();
  }

  // What the server tells of a name. SFTP: its size proves a plain file. FTP: MLST first, which
  // tells a file from a folder and from nothing, with the size, in one command where the
  // server knows it; else SIZE, which nearly every server knows. A 550 that does not say the
  // file is missing may refuse a folder as well, and a refusal tells nothing: then STAT or
  // the listing.
  Result<FileFacts> AskFor(const std::string& name) {
    using Facts = Result<FileFacts>;
    if (IsSftp()) {
      return SftpLookUp(name);
    }
    if (!mlstUnknown_) {
      const CURLcode described = RunCommands({"MLST " + name});
      if (described == CURLE_OK) {
        const FileFacts facts = FactsOfMlstLine(replies_.facts);
        if (!facts.plainFile || facts.size) {
          return Facts::Ok(facts);
        }
      } else if (described != CURLE_QUOTE_ERROR) {
        return Facts::Fail(failure_);
      } else if (SaysNoSuchFile(LastReply())) {
        return Facts::Ok({});
      } else if (LastReply().starts_with("500") || LastReply().starts_with("502")) {
        mlstUnknown_ = true;  // "Unknown command", "Command not implemented": not asked again
      } else {
        return FactsAskedAgain(name);
      }
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
    return FactsAskedAgain(name);
  }

  // A refusal that leaves the question open. STAT of the name answers with its listing line
  // over the control connection (213), one round trip where LIST takes three: none there, no
  // such name. Any other answer (the server's own status, a refusal, a listing without the
  // name as a file, which a folder's would be) goes to the listing.
  Result<FileFacts> FactsAskedAgain(const std::string& name) {
    using Facts = Result<FileFacts>;
    if (!statUnknown_) {
      const CURLcode stated = RunCommands({"STAT " + name});
      if (stated != CURLE_OK && stated != CURLE_QUOTE_ERROR) {
        return Facts::Fail(failure_);
      }
      if (stated == CURLE_OK && LastReply().starts_with("213 ") && !replies_.bodyCut) {
        const FileFacts facts = FactsInListing(replies_.body, name);
        if (replies_.body.empty() || facts.plainFile) {
          return Facts::Ok(facts);
        }
      }
      statUnknown_ = LastReply().starts_with("500") || LastReply().starts_with("502");
    }
    return FactsListed(name);
  }

  Result<FileFacts> FactsListed(const std::string& name) {
    const auto listing = List();
    if (!listing) {
      return Result<FileFacts>::Fail(listing.error());
    }
    return Result<FileFacts>::Ok(FactsInListing(*listing, name));
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

  // The name in a path relative to the login directory, from that directory itself when the
  // server told it: then libcurl needs not return to it before entering the folder.
  std::string FromEntry(const std::string& directory) const {
    if (IsSftp() || !entryPath_.starts_with('/')) {
      return directory;
    }
    return (entryPath_.ends_with('/') ? entryPath_ : entryPath_ + "/") + directory;
  }

  // The user's own key, or the password, logs in.
  void ApplySshLogin() {
    for (const char* name : kSshKeyNames) {
      const std::string key = options_.sshKeyFolder + name;
      std::error_code error;
      if (!options_.sshKeyFolder.empty() && std::filesystem::exists(NativePath(key), error)) {
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

  // What the server told of a name, and when.
  struct Learnt {
    std::string name;
    FileFacts facts;
    std::uint64_t requestsRun;  // fresh while no request ran since
    bool byRename;              // told by the rename of a file whose size was told before
  };

  std::string currentDirectory_;  // relative to the login directory unless it starts with "/"
  std::string entryPath_;         // the login directory, as the server told it
  bool binary_ = false;           // whether the connection is in binary mode
  bool mlstUnknown_ = false;      // the server said it knows no MLST
  bool statUnknown_ = false;      // nor STAT
  std::optional<Learnt> learnt_;
  Replies replies_;  // of the request under way
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFileTransferClient(std::function<void()> yield) {
  return std::make_unique<CurlFtpClient>(std::move(yield));
}

}  // namespace kestrin
