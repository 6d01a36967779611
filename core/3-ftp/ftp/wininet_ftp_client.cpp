// The FTP client on Windows' own FTP functions (WinInet): one session and one logged-in
// connection per run.

// windows.h comes first: the other system headers need its types.
#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "ftp/ftp_client.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"

namespace kestrin {
namespace {

constexpr size_t kLongestReply = 200;

// FTP commands end at a line break, so a name carrying one could smuggle in a second command.
bool IsSafeName(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The last line of the server's last reply (its final answer), cut short: a hostile server
// must not flood the activity lines. Empty when there is none.
std::string LastReply() {
  DWORD code = 0;
  char reply[1024] = {};
  DWORD length = sizeof reply;
  if (!InternetGetLastResponseInfoA(&code, reply, &length)) {
    return {};
  }
  std::string text(reply, std::min<DWORD>(length, sizeof reply));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  const size_t lastLine = text.find_last_of('\n');
  return text.substr(lastLine == std::string::npos ? 0 : lastLine + 1).substr(0, kLongestReply);
}

// What the server answered when it answered (a refused login, too); otherwise the system's
// words for the error.
std::string FailureReason() {
  const DWORD code = GetLastError();
  if (const std::string reply = LastReply(); !reply.empty()) {
    return "the server answered \"" + reply + "\"";
  }
  char* words = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  FormatMessageA(flags, GetModuleHandleA("wininet.dll"), code, 0, reinterpret_cast<char*>(&words),
                 0, nullptr);
  std::string text = words != nullptr ? words : "";
  LocalFree(words);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "WinInet error " + std::to_string(code) : text;
}

// Whether a listing that gave no first entry found an empty folder. Windows says so with
// ERROR_NO_MORE_FILES; Wine sets no error, or passes the server's reply on, and the server's
// last reply tells that the listing was complete ("226 Transfer complete.").
bool ListedNothing() {
  const DWORD code = GetLastError();
  if (code == ERROR_NO_MORE_FILES) {
    return true;
  }
  const std::string reply = LastReply();
  return (code == ERROR_SUCCESS || code == ERROR_INTERNET_EXTENDED_ERROR) &&
         (reply.starts_with("226") || reply.starts_with("250"));
}

// Closes a WinInet handle when the scope ends.
class Handle {
 public:
  explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HINTERNET get() const { return handle_; }
  HINTERNET Release() { return std::exchange(handle_, nullptr); }
  void Reset(HINTERNET handle = nullptr) {
    if (handle_ != nullptr) {
      InternetCloseHandle(handle_);
    }
    handle_ = handle;
  }

 private:
  HINTERNET handle_;
};

class WinInetFtpClient final : public FtpClient {
 public:
  explicit WinInetFtpClient(std::function<void()> yield) : yield_(std::move(yield)) {}
  ~WinInetFtpClient() override { Close(); }

  Result<> Connect(const FtpConnectOptions& options) override {
    if (options.protocol != Protocol::Ftp) {
      // Nothing is sent: a server that expects protection must not get the login in clear.
      return Result<>::Fail("this Windows build speaks plain FTP only (Protocol=0)");
    }
    options_ = options;
    session_.Reset(InternetOpenA("Kestrin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (session_.get() == nullptr) {
      return Failed("cannot start WinInet");
    }
    SetTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, options.connectTimeout);
    SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT,
               std::max(options.replyTimeout, options.stallTimeout));
    SetTimeout(INTERNET_OPTION_SEND_TIMEOUT, options.stallTimeout);
    connection_.Reset(InternetConnectA(
        session_.get(), options.server.c_str(), static_cast<INTERNET_PORT>(options.port),
        options.username.c_str(), options.password.c_str(), INTERNET_SERVICE_FTP,
        options.passive ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (connection_.get() == nullptr) {
      return Failed("cannot connect to " + options.server + ":" + std::to_string(options.port));
    }
    return Result<>::Ok();
  }

  // Plain FTP shows no identity.
  std::string PresentedFingerprint() const override { return {}; }

  Result<> SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Result<>::Fail("unusable directory name");
    }
    if (!FtpSetCurrentDirectoryA(connection_.get(), directory.c_str())) {
      return Failed("cannot enter folder \"" + directory + "\"");
    }
    return Result<>::Ok();
  }

  Result<RemoteFile> Probe(const std::string& name) override {
    using Presence = Result<RemoteFile>;
    if (!IsSafeName(name)) {
      return Presence::Fail("unusable file name");
    }
    // The whole listing: a server may refuse to list a single name it does not have.
    WIN32_FIND_DATAA entry{};
    SetLastError(ERROR_SUCCESS);
    Handle find(FtpFindFirstFileA(connection_.get(), nullptr, &entry, INTERNET_FLAG_RELOAD, 0));
    if (find.get() == nullptr) {
      if (ListedNothing()) {
        return Presence::Ok(RemoteFile::Absent);
      }
      return Presence::Fail("cannot list the folder: " + FailureReason());
    }
    do {
      if (entry.cFileName == name && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return Presence::Ok(RemoteFile::Present);
      }
      yield_();
    } while (InternetFindNextFileA(find.get(), &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
      return Presence::Fail("cannot list the folder: " + FailureReason());
    }
    return Presence::Ok(RemoteFile::Absent);
  }

  Result<> Download(const std::string& remoteName, const std::string& localPath) override {
    const Result<std::string> bytes = Read(remoteName);
    if (!bytes) {
      return Result<>::Fail(bytes.error());
    }
    return WriteFileAtomically(localPath, *bytes, 0600);
  }

  Result<std::string> Read(const std::string& remoteName) override {
    using Bytes = Result<std::string>;
    if (!IsSafeName(remoteName)) {
      return Bytes::Fail("unusable file name");
    }
    Handle file(FtpOpenFileA(connection_.get(), remoteName.c_str(), GENERIC_READ,
                             FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
    if (file.get() == nullptr) {
      return Bytes::Fail("cannot download " + remoteName + ": " + FailureReason());
    }
    std::string bytes;
    char buffer[1 << 16];
    DWORD got = 0;
    do {
      if (!InternetReadFile(file.get(), buffer, sizeof buffer, &got)) {
        return Bytes::Fail("cannot download " + remoteName + ": " + FailureReason());
      }
      bytes.append(buffer, got);
      if (static_cast<std::int64_t>(bytes.size()) > options_.maxDownloadBytes) {
        return Bytes::Fail("more than " + std::to_string(options_.maxDownloadBytes) + " bytes");
      }
      yield_();
    } while (got > 0);
    return Bytes::Ok(std::move(bytes));
  }

  Result<> Upload(const std::string& localPath, const std::string& remoteName) override {
    if (!IsSafeName(remoteName)) {
      return Result<>::Fail("unusable file name");
    }
    std::ifstream in(NativePath(localPath), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
      return Result<>::Fail("cannot read " + localPath);
    }
    if (const Result<> sent = Send(bytes, remoteName); !sent) {
      return sent;
    }
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t stored = StoredSize(remoteName);
    if (stored != size) {
      return Result<>::Fail("the server stored " +
                            (stored >= 0 ? std::to_string(stored) : "an unknown number") + " of " +
                            std::to_string(size) + " bytes");
    }
    return Result<>::Ok();
  }

  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    using Renamed = Result<void, RenameFailure>;
    if (!IsSafeName(from) || !IsSafeName(to)) {
      return Renamed::Fail({RenameRefusal::None, "unusable file name"});
    }
    // Two commands of our own, so that a refusal says which name was refused.
    if (!Command("RNFR " + from)) {
      return Renamed::Fail({Refusal(RenameRefusal::Source), FailureReason()});
    }
    if (!Command("RNTO " + to)) {
      return Renamed::Fail({Refusal(RenameRefusal::Target), FailureReason()});
    }
    return Renamed::Ok();
  }

  Result<> Delete(const std::string& name) override {
    if (!IsSafeName(name)) {
      return Result<>::Fail("unusable file name");
    }
    return FtpDeleteFileA(connection_.get(), name.c_str()) ? Result<>::Ok()
                                                           : Failed("cannot delete " + name);
  }

  void Close() override {
    connection_.Reset();
    session_.Reset();
  }

 private:
  void SetTimeout(DWORD option, std::chrono::seconds timeout) {
    DWORD milliseconds = static_cast<DWORD>(timeout.count() * 1000);
    InternetSetOptionA(session_.get(), option, &milliseconds, sizeof milliseconds);
  }

  Result<> Failed(const std::string& what) const {
    return Result<>::Fail(what + ": " + FailureReason());
  }

  // A refusal is the server's answer; anything else (a lost connection) refused nothing.
  static RenameRefusal Refusal(RenameRefusal which) {
    return GetLastError() == ERROR_INTERNET_EXTENDED_ERROR ? which : RenameRefusal::None;
  }

  bool Command(const std::string& command) {
    return FtpCommandA(connection_.get(), FALSE, FTP_TRANSFER_TYPE_BINARY, command.c_str(), 0,
                       nullptr) != FALSE;
  }

  Result<> Send(std::string_view bytes, const std::string& remoteName) {
    Handle file(FtpOpenFileA(connection_.get(), remoteName.c_str(), GENERIC_WRITE,
                             FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
    if (file.get() == nullptr) {
      return Failed("cannot upload " + remoteName);
    }
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 16));
      if (!InternetWriteFile(file.get(), bytes.data(), chunk, &written) || written == 0) {
        return Failed("cannot upload " + remoteName);
      }
      bytes.remove_prefix(written);
      yield_();
    }
    // Closing ends the transfer and reads the server's reply to it.
    if (!InternetCloseHandle(file.Release())) {
      return Failed("cannot upload " + remoteName);
    }
    return Result<>::Ok();
  }

  // The size the server reports for the file ("213 <size>"); -1 when it tells none.
  std::int64_t StoredSize(const std::string& remoteName) {
    if (!Command("SIZE " + remoteName)) {
      return -1;
    }
    const std::string reply = LastReply();
    if (!reply.starts_with("213 ")) {
      return -1;
    }
    std::int64_t size = -1;
    std::from_chars(reply.data() + 4, reply.data() + reply.size(), size);
    return size;
  }

  std::function<void()> yield_;
  FtpConnectOptions options_;
  Handle session_;
  Handle connection_;
};

}  // namespace

std::unique_ptr<FtpClient> MakeSystemFtpClient(std::function<void()> yield) {
  return std::make_unique<WinInetFtpClient>(std::move(yield));
}

}  // namespace kestrin
