#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// How the client talks to the server; the numbers are those of the "Protocol" setting.
enum class Protocol { Ftp = 0, FtpOverTls = 1, Sftp = 2, WebDavHttps = 3, WebDavHttp = 4 };

// Whether the protocol protects the login and the files with a TLS certificate.
inline bool UsesTls(Protocol protocol) {
  return protocol == Protocol::FtpOverTls || protocol == Protocol::WebDavHttps;
}

inline bool IsWebDav(Protocol protocol) {
  return protocol == Protocol::WebDavHttps || protocol == Protocol::WebDavHttp;
}

// The port a protocol's servers listen on unless told otherwise.
inline int DefaultPort(Protocol protocol) {
  switch (protocol) {
    case Protocol::Sftp:
      return 22;
    case Protocol::WebDavHttps:
      return 443;
    case Protocol::WebDavHttp:
      return 80;
    default:
      return 21;
  }
}

// A TLS certificate the system trusts is remembered by its key as "system:" and the key's
// fingerprint: a later certificate the system does not trust is then a changed identity, not
// a new server to trust on first use.
inline constexpr std::string_view kSystemTrustedMark = "system:";
inline std::string SystemTrusted(const std::string& fingerprint) {
  return std::string(kSystemTrustedMark) + fingerprint;
}
inline bool IsSystemTrusted(const std::string& identity) {
  return identity.starts_with(kSystemTrustedMark);
}

struct FtpConnectOptions {
  Protocol protocol = Protocol::Ftp;
  std::string server;
  int port = 21;
  std::string username;
  std::string password;
  bool passive = true;
  // The identity the server must show (Sha256Fingerprint): its SSH host key, or the public key
  // of a TLS certificate that the system does not trust. Empty, or SystemTrusted(...) of a key
  // seen before: a TLS certificate must be trusted by the system, and no SSH server is trusted.
  std::string serverFingerprint;
  // The certificates of the authorities that the system trusts, in one PEM file. Empty: the
  // system's own. Tests name theirs, so that a server of their own counts as trusted.
  std::string trustedAuthorities;
  std::string sshKeyFolder;  // where the user's SSH key is looked for ("~/.ssh/")
  std::chrono::seconds connectTimeout{30};
  std::chrono::seconds replyTimeout{30};  // each server reply
  std::chrono::seconds stallTimeout{60};  // a transfer that makes no progress
  // A transfer may take this allowance plus its size at the slowest rate: generous for a
  // slow link, yet a server that trickles bytes to stay above the stall limit cannot hold a
  // run for ever. A download of unknown size counts as maxDownloadBytes.
  std::chrono::seconds transferAllowance{60};
  std::int64_t slowestBytesPerSecond = 10 * 1024;
  // A download beyond this is refused: a broken or hostile server must not fill the disk.
  // A shared list of 100 000 shortcuts is about 20 MB.
  std::int64_t maxDownloadBytes = std::int64_t{256} << 20;
};

// What the server said about a name: a plain file, or none. No answer at all (the
// connection failed) is a failure, which must not be taken for absence where absence leads
// to action.
enum class RemoteFile { Present, Absent };

// Whether the server said that the file is there.
inline bool IsPresent(const Result<RemoteFile>& presence) {
  return presence && *presence == RemoteFile::Present;
}

// Why a rename failed. The server may refuse the source (RNFR), as one that cannot or will
// not rename does, or refuse the target (RNTO), as some do when a file of that name exists.
// None: no refusal came, e.g. the connection was lost; the rename may have been done.
enum class RenameRefusal { None, Source, Target };

struct RenameFailure {
  RenameRefusal refused = RenameRefusal::None;
  std::string reason;
};

class ConditionalStore;

// One logged-in connection to the server: FTP, FTP over TLS, SFTP or WebDAV. Every call blocks
// until done, calling the yield hook while it waits on the network. All names are relative to the
// current directory. A failure says in plain words who refused what, or what the server answered.
// It may quote the server, so it is data, not text safe to print as it is.
class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // Connects and logs in; fails when the server cannot be reached, refuses the login, or does
  // not show the identity it must: then nothing of the login was sent.
  virtual Result<> Connect(const FtpConnectOptions& options) = 0;
  // The identity the server showed at the last Connect: SystemTrusted(...) of its key for a
  // TLS certificate the system trusted; its fingerprint when it was checked against
  // serverFingerprint and did not match; empty otherwise.
  virtual std::string PresentedFingerprint() const = 0;
  virtual Result<> SetCurrentDirectory(const std::string& directory) = 0;
  // Whether the current directory holds a file of that name. A refusal to tell is a
  // failure, never Absent.
  virtual Result<RemoteFile> Probe(const std::string& name) = 0;
  // Binary; the local file is replaced. Fails unless the whole file arrived, and for a file
  // larger than maxDownloadBytes.
  virtual Result<> Download(const std::string& remoteName, const std::string& localPath) = 0;
  // The bytes of a small file, read into memory; fails unless the whole file arrived.
  virtual Result<std::string> Read(const std::string& remoteName) = 0;
  // Whether the file holds exactly `expected`: read without its size asked first, a round
  // trip less than Read. A transfer cut short arrives short and compares unequal. Fails when
  // the file could not be read (it may be gone).
  virtual Result<bool> Holds(const std::string& remoteName, std::string_view expected) = 0;
  // Binary; the remote file is replaced. Fails unless the whole file was stored: the
  // stored size is checked, since a server whose data connection ends early with a plain
  // close keeps the part it got and reports success.
  virtual Result<> Upload(const std::string& localPath, const std::string& remoteName) = 0;
  virtual Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) = 0;
  virtual Result<> Delete(const std::string& name) = 0;
  // Ends the connection (QUIT); safe to call more than once.
  virtual void Close() = 0;
  // The operations that hold only while a file is as this client last saw it, where the
  // protocol has them (WebDAV); nullptr where it has not (FTP, SFTP). Valid while the
  // client lives, and only between Connect and Close.
  virtual ConditionalStore* conditionalStore() { return nullptr; }
};

// The libcurl client for every protocol, chosen by the protocol at each Connect. `yield` is called
// while an operation waits on the network.
std::unique_ptr<FtpClient> MakeCurlFtpClient(std::function<void()> yield);

}  // namespace kestrin
