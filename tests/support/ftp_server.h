#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_client.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {

// PureFtpdTls requires TLS on the control and data connections; OpenSsh serves SFTP;
// ApacheDav and ApacheDavTls serve WebDAV over plain HTTP and HTTPS (Apache's mod_dav_fs);
// they redirect "/moved/..." to "/Shared/..." and "/elsewhere/..." to another port.
enum class FtpServerKind { Pyftpdlib, PureFtpd, PureFtpdTls, OpenSsh, ApacheDav, ApacheDavTls };

// Ways a test server departs from an obliging one. Only pyftpdlib takes them, but for
// weakETags and digestAuthentication, which only Apache takes, and the passive ports, which
// pure-ftpd takes too.
struct FtpServerOptions {
  // Commands answered with the given reply instead of being carried out, e.g.
  // {"RNFR", "502 Command not implemented."} or {"SIZE", "550 Not a file."}.
  std::map<std::string, std::string> refusedCommands{};
  // The user's rights in pyftpdlib's letters; the default may read, write, rename and delete.
  std::string permissions = "elradfmwMT";
  // Renaming onto an existing file fails with "550 File exists.", as on Windows.
  bool renameKeepsTarget = false;
  // Downloads trickle at no more than this many bytes a second, in small bursts: slow, yet
  // never stalled. 0: no limit.
  int downloadBytesPerSecond = 0;
  // Apache's default ETags, weak for about a second after each write, instead of the strong
  // digests of the bytes (FileETag Digest).
  bool weakETags = false;
  // Digest authentication instead of Basic.
  bool digestAuthentication = false;
  // NLST without an argument is refused with "500 Syntax error: NLST requires an argument.",
  // as Twisted's server does.
  bool nlstNeedsArgument = false;
  // The ports of passive data connections, first and last; 0: any.
  int firstPassivePort = 0;
  int lastPassivePort = 0;
  // Before a RETR, a file named like the one asked for plus ".next" replaces it, as another
  // computer's rename between a client's check and its download does.
  bool replaceBeforeRetrieval = false;

  bool operator==(const FtpServerOptions&) const = default;
};

// A real FTP, SFTP or WebDAV server on 127.0.0.1, run as a child process group for the length of a
// test. Its TLS certificate or SSH host key is its own, made afresh; the SSH user is the
// current one, logging in with a key the fixture makes (see sshKeyFolder).
class FtpServer {
 public:
  // Starts a server on 127.0.0.1 on a free port, serving a fresh temporary root folder
  // (the login directory), with one user that may read, write, rename and delete unless
  // the options say otherwise. Returns nullptr when that kind cannot run here (e.g. pure-ftpd
  // not installed or not root) or cannot take the options.
  static std::unique_ptr<FtpServer> Start(FtpServerKind kind, const FtpServerOptions& options = {});
  ~FtpServer();  // stops the server and removes the root
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  int port() const { return port_; }
  Protocol protocol() const { return protocol_; }
  const std::string& sshKeyFolder() const { return sshKeyFolder_; }  // empty unless OpenSsh
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& root() const { return root_.path(); }  // local path, ending in "/"
  // Logs in to this server, through `port` when a proxy stands in front of it; a TLS or SSH
  // server is trusted.
  FtpConnectOptions LoginOptions(int port = 0) const;
  int loginCount() const;        // successful logins seen so far (WebDAV: authenticated OPTIONS)
  int httpRequestCount() const;  // the requests Apache answered so far; 0 for the others
  // The TLS certificate's key or the SSH host key, made afresh: new connections show it.
  bool RenewIdentity();
  std::string fingerprint() const;  // of that key, as the tools of OpenSSL and OpenSSH tell it
  // The TLS certificate (PEM) that new connections show; empty for SFTP and plain FTP.
  std::string certificate() const;
  // The server's own output. pyftpdlib's names every command it was sent.
  std::string log() const;

  // Places a file or folder in the served tree as another computer's upload would,
  // owned by the account the server works as. Paths are relative to root().
  void WriteFile(const std::string& relativePath, const std::string& bytes) const;
  void MakeDirectory(const std::string& relativePath) const;

 private:
  FtpServer() = default;
  bool StartPyftpdlib(const FtpServerOptions& options);
  bool StartPureFtpd(bool tls, const FtpServerOptions& options);
  bool StartSshd();
  bool StartApache(bool tls, const FtpServerOptions& options);
  pid_t Spawn(const std::vector<std::string>& argv);  // 0 when it could not
  bool RestartDaemon();
  std::string SidePath(const std::string& name) const { return side_.path() + name; }
  void GiveToServer(const std::string& path) const;

  TempDir root_;
  TempDir side_;  // logs, the login tally and the auth socket, out of the server's reach
  std::string user_ = "kestrin";
  std::string password_ = "pass word";
  int port_ = 0;
  Protocol protocol_ = Protocol::Ftp;
  std::vector<std::string>
      daemonArguments_;  // pure-ftpd's or Apache's, which RenewIdentity restarts
  pid_t daemon_ = 0;
  std::string sshKeyFolder_;
  uid_t serverUid_ = 0;  // the account the server touches files as
  gid_t serverGid_ = 0;
  pid_t group_ = 0;
};

std::string FtpServerKindName(FtpServerKind kind);  // for test names

}  // namespace kestrin::test
