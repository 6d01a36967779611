#include "tests/support/ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace kestrin::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartupLimit = std::chrono::seconds(15);
constexpr const char* kSupportDir = KESTRIN_TEST_SUPPORT_DIR;
constexpr uid_t kNobodyUid = 65534;  // nobody: pure-ftpd refuses to serve as root
constexpr gid_t kNobodyGid = 65534;

// A key pair without passphrase, replacing one of that name.
bool MakeSshKey(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::filesystem::remove(path + ".pub", ignored);
  return RunCommand("ssh-keygen -q -t ed25519 -N '' -f '" + path + "'").exitCode == 0;
}

bool IsExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0;
}

// Polls until `ready` holds; false if it does not within the start-up limit.
bool Eventually(const std::function<bool()>& ready) {
  for (const auto deadline = Clock::now() + kStartupLimit; Clock::now() < deadline;
       std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    if (ready()) {
      return true;
    }
  }
  return false;
}

// A loopback address; port 0 lets the kernel choose.
sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Listening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(port);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

// Asks the kernel for a port nobody uses right now; the server binds it a moment later.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

}  // namespace

std::string FtpServerKindName(FtpServerKind kind) {
  constexpr const char* kNames[] = {"Pyftpdlib", "PureFtpd",  "PureFtpdTls",
                                    "OpenSsh",   "ApacheDav", "ApacheDavTls"};
  return kNames[static_cast<int>(kind)];
}

std::unique_ptr<FtpServer> FtpServer::Start(FtpServerKind kind, const FtpServerOptions& options) {
  const bool apache = kind == FtpServerKind::ApacheDav || kind == FtpServerKind::ApacheDavTls;
  const bool pureFtpd = kind == FtpServerKind::PureFtpd || kind == FtpServerKind::PureFtpdTls;
  const FtpServerOptions apacheOptions{.weakETags = options.weakETags,
                                       .digestAuthentication = options.digestAuthentication};
  const FtpServerOptions portsOnly{.firstPassivePort = options.firstPassivePort,
                                   .lastPassivePort = options.lastPassivePort};
  const bool taken = kind == FtpServerKind::Pyftpdlib ? apacheOptions == FtpServerOptions{}
                     : apache                         ? options == apacheOptions
                     : pureFtpd                       ? options == portsOnly
                                                      : options == FtpServerOptions{};
  if (!taken) {
    return nullptr;
  }
  // Connection processes that outlive their server become ours, so they can be reaped too.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  std::unique_ptr<FtpServer> server(new FtpServer());
  const bool started = kind == FtpServerKind::Pyftpdlib ? server->StartPyftpdlib(options)
                       : kind == FtpServerKind::OpenSsh ? server->StartSshd()
                       : apache
                           ? server->StartApache(kind == FtpServerKind::ApacheDavTls, options)
                           : server->StartPureFtpd(kind == FtpServerKind::PureFtpdTls, options);
  return started ? std::move(server) : nullptr;
}

// The server writes the port it chose to a side file once it listens.
bool FtpServer::StartPyftpdlib(const FtpServerOptions& options) {
  const std::string python = "/usr/bin/python3";  // Debian's, the one with pyftpdlib
  std::vector<std::string> argv{
      python,
      std::string(kSupportDir) + "pyftpd_server.py",
      root(),
      user_,
      password_,
      SidePath("logins"),
      SidePath("port"),
      "--permissions=" + options.permissions,
      "--download-bytes-per-second=" + std::to_string(options.downloadBytesPerSecond)};
  for (const auto& [command, reply] : options.refusedCommands) {
    argv.insert(argv.end(), {"--refuse", command, reply});
  }
  if (options.renameKeepsTarget) {
    argv.push_back("--rename-keeps-target");
  }
  if (options.nlstNeedsArgument) {
    argv.push_back("--nlst-needs-argument");
  }
  if (options.replaceBeforeRetrieval) {
    argv.push_back("--replace-before-retr");
  }
  if (options.firstPassivePort != 0) {
    argv.insert(argv.end(), {"--passive-ports", std::to_string(options.firstPassivePort),
                             std::to_string(options.lastPassivePort)});
  }
  return IsExecutable(python) && Spawn(argv) && Eventually([this] {
           port_ = std::atoi(ReadFileBytes(SidePath("port")).c_str());
           return port_ > 0;
         });
}

// pure-ftpd asks pure-authd, which runs pure_auth.sh; that script is where logins are counted.
// With TLS, cleartext logins and data connections are refused.
bool FtpServer::StartPureFtpd(bool tls, const FtpServerOptions& options) {
  const std::string ftpd = "/usr/sbin/pure-ftpd";
  const std::string authd = "/usr/sbin/pure-authd";
  if (geteuid() != 0 || !IsExecutable(ftpd) || !IsExecutable(authd)) {
    return false;
  }
  port_ = FreePort();
  const std::string socketPath = SidePath("auth.sock");
  daemonArguments_.assign({ftpd, "-S", "127.0.0.1," + std::to_string(port_), "-l",
                           "extauth:" + socketPath, "-E", "-A", "-H", "-u", "1", "-p",
                           options.firstPassivePort == 0
                               ? "30000:50000"
                               : std::to_string(options.firstPassivePort) + ":" +
                                     std::to_string(options.lastPassivePort)});
  if (tls) {
    protocol_ = Protocol::FtpOverTls;
    daemonArguments_.insert(daemonArguments_.end(),
                            {"-Y", "3", "-2", SidePath("cert.pem") + "," + SidePath("key.pem")});
  }
  serverUid_ = kNobodyUid;
  serverGid_ = kNobodyGid;
  std::string rootFolder = root();
  rootFolder.pop_back();
  return chown(rootFolder.c_str(), serverUid_, serverGid_) == 0 &&
         Spawn({"/usr/bin/env", "KESTRIN_FTP_USER=" + user_, "KESTRIN_FTP_PASSWORD=" + password_,
                "KESTRIN_FTP_LOGINS=" + SidePath("logins"),
                "KESTRIN_FTP_UID=" + std::to_string(serverUid_),
                "KESTRIN_FTP_GID=" + std::to_string(serverGid_), "KESTRIN_FTP_ROOT=" + rootFolder,
                authd, "-s", socketPath, "-r", std::string(kSupportDir) + "pure_auth.sh"}) &&
         Eventually([&] { return std::filesystem::exists(socketPath); }) && port_ > 0 &&
         (tls ? RenewIdentity() : RestartDaemon());
}

// OpenSSH's sshd in the foreground on its own configuration, host key and port. Its SFTP
// login starts in root(); its log (-e) tells each login.
bool FtpServer::StartSshd() {
  const std::string sshd = "/usr/sbin/sshd";
  const passwd* account = getpwuid(geteuid());
  if (!IsExecutable(sshd) || account == nullptr) {
    return false;
  }
  protocol_ = Protocol::Sftp;
  user_ = account->pw_name;
  password_ = "";  // the key logs in
  serverUid_ = geteuid();
  serverGid_ = getegid();
  sshKeyFolder_ = SidePath("home/.ssh/");
  std::filesystem::create_directories(sshKeyFolder_);
  std::error_code ignored;
  std::filesystem::create_directories("/run/sshd", ignored);  // sshd's privilege separation
  const std::string config = SidePath("sshd_config");
  WriteFileBytes(config, "ListenAddress 127.0.0.1\nHostKey " + SidePath("host_key") +
                             "\nPidFile none\nUsePAM no\nStrictModes no\n"
                             "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                             "KbdInteractiveAuthentication no\nAuthorizedKeysFile " +
                             sshKeyFolder_ + "id_ed25519.pub\nSubsystem sftp internal-sftp -d " +
                             root() + "\nLogLevel VERBOSE\n");
  port_ = FreePort();
  return RenewIdentity() && MakeSshKey(sshKeyFolder_ + "id_ed25519") && port_ > 0 &&
         Spawn({sshd, "-D", "-e", "-f", config, "-p", std::to_string(port_)}) &&
         Eventually([this] { return Listening(port_); });
}

// Apache in the foreground on a configuration of its own: mod_dav_fs serving root() to one
// user by Basic (or Digest) authentication, over HTTPS with the fixture's certificate or plain
// HTTP. Its access log names each request's method, path, user and status.
bool FtpServer::StartApache(bool tls, const FtpServerOptions& options) {
  const std::string apache = "/usr/sbin/apache2";
  const std::string modules = "/usr/lib/apache2/modules/";
  if (!IsExecutable(apache)) {
    return false;
  }
  protocol_ = tls ? Protocol::WebDavHttps : Protocol::WebDavHttp;
  if (geteuid() == 0) {
    // Apache started by root serves as nobody.
    serverUid_ = kNobodyUid;
    serverGid_ = kNobodyGid;
  } else {
    serverUid_ = geteuid();
    serverGid_ = getegid();
  }
  port_ = FreePort();
  // The server's account reaches its lock database through the side folder, reading nothing
  // else there.
  const std::string lockFolder = SidePath("davlock/");
  std::filesystem::create_directories(lockFolder);
  std::filesystem::permissions(side_.path(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
  std::string rootFolder = root();
  rootFolder.pop_back();
  GiveToServer(rootFolder);
  GiveToServer(lockFolder);
  std::string config = "ServerRoot " + side_.path() + "\nDefaultRuntimeDir " + side_.path() +
                       "\nServerName 127.0.0.1\nListen 127.0.0.1:" + std::to_string(port_) +
                       "\nPidFile " + SidePath("httpd.pid") + "\nErrorLog " +
                       SidePath("server.log") + "\nStartServers 1\n";
  if (geteuid() == 0) {
    config +=
        "User #" + std::to_string(serverUid_) + "\nGroup #" + std::to_string(serverGid_) + "\n";
  }
  for (const char* module :
       {"mpm_event", "authn_core", "authn_file", "auth_basic", "auth_digest", "authz_core",
        "authz_user", "alias", "dav", "dav_fs", "socache_shmcb", "ssl"}) {
    config +=
        std::string("LoadModule ") + module + "_module " + modules + "mod_" + module + ".so\n";
  }
  const std::string realm = "Kestrin";
  const std::string passwords = SidePath("passwords");
  const std::string authentication =
      options.digestAuthentication
          ? "  AuthType Digest\n  AuthDigestProvider file\n  AuthDigestDomain /\n"
          : "  AuthType Basic\n";
  config += "LogFormat \"%m %U %u %>s\" dav\nCustomLog " + SidePath("access.log") +
            " dav\nDavLockDB " + lockFolder + "lock\nDocumentRoot " + rootFolder +
            "\nRedirect 301 /moved /Shared\nRedirect 302 /elsewhere http://127.0.0.1:" +
            std::to_string(port_ + 1) + "/Shared\n<Directory " + rootFolder + ">\n  Dav On\n" +
            (options.weakETags ? "" : "  FileETag Digest\n") + authentication + "  AuthName " +
            realm + "\n  AuthUserFile " + passwords + "\n  Require valid-user\n</Directory>\n";
  if (tls) {
    config += "SSLEngine on\nSSLCertificateFile " + SidePath("cert.pem") +
              "\nSSLCertificateKeyFile " + SidePath("key.pem") + "\n";
  }
  WriteFileBytes(SidePath("httpd.conf"), config);
  bool passwordsWritten = true;
  if (options.digestAuthentication) {
    // A Digest password file holds the MD5 of "user:realm:password" after the user and realm.
    const std::string hash = RunCommand("printf '%s' '" + user_ + ":" + realm + ":" + password_ +
                                        "' | md5sum | cut -c1-32")
                                 .out;
    WriteFileBytes(passwords, user_ + ":" + realm + ":" + hash.substr(0, 32) + "\n");
  } else {
    passwordsWritten = RunCommand("htpasswd -cbB '" + passwords + "' '" + user_ + "' '" +
                                  password_ + "' 2>/dev/null")
                           .exitCode == 0;
  }
  daemonArguments_.assign({apache, "-f", SidePath("httpd.conf"), "-DFOREGROUND"});
  return port_ > 0 && passwordsWritten && (tls ? RenewIdentity() : RestartDaemon());
}

// Every child joins the first child's process group, so one signal stops them all,
// including the per-connection processes the servers fork.
pid_t FtpServer::Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  const std::string log = SidePath("server.log");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  for (const int output : {STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_addopen(&actions, output, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, group_);
  pid_t pid = 0;
  const bool spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ) == 0;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned && group_ == 0) {
    group_ = pid;
  }
  return spawned ? pid : 0;
}

FtpServer::~FtpServer() {
  if (group_ == 0) {
    return;
  }
  kill(-group_, SIGTERM);
  auto deadline = Clock::now() + std::chrono::seconds(5);
  // waitpid answers -1 once no member of the group is left to reap.
  for (pid_t reaped = 0; reaped >= 0; reaped = waitpid(-group_, nullptr, WNOHANG)) {
    if (reaped == 0) {
      if (Clock::now() > deadline) {
        kill(-group_, SIGKILL);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

// pure-ftpd and Apache read their certificate once: they are restarted to show a new one. sshd
// reads its host key for every connection.
bool FtpServer::RenewIdentity() {
  return protocol_ == Protocol::Sftp
             ? MakeSshKey(SidePath("host_key"))
             : RunCommand(
                   "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                   "-nodes -subj /CN=127.0.0.1 -keyout '" +
                   SidePath("key.pem") + "' -out '" + SidePath("cert.pem") + "' 2>/dev/null")
                           .exitCode == 0 &&
                   RestartDaemon();
}

// Starts pure-ftpd, ending the one started before. Apache, the leader of the process group,
// restarts itself on SIGHUP, and says so in its log once it serves again.
bool FtpServer::RestartDaemon() {
  if (daemon_ != 0 && IsWebDav(protocol_)) {
    const auto restarts = [this] {
      const std::string text = log();
      int count = 0;
      for (size_t at = 0; (at = text.find("resuming normal operations", at)) != std::string::npos;
           ++at) {
        ++count;
      }
      return count;
    };
    const int before = restarts();
    kill(daemon_, SIGHUP);
    return Eventually([&] { return restarts() > before; });
  }
  if (daemon_ != 0) {
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
  }
  daemon_ = Spawn(daemonArguments_);
  return daemon_ != 0 && Eventually([this] { return Listening(port_); });
}

std::string FtpServer::certificate() const {
  return UsesTls(protocol_) ? ReadFileBytes(SidePath("cert.pem")) : "";
}

std::string FtpServer::fingerprint() const {
  const std::string digest =
      protocol_ == Protocol::Sftp
          ? RunCommand("ssh-keygen -lf '" + SidePath("host_key.pub") + "' | cut -d' ' -f2").out
          : "SHA256:" + RunCommand("openssl x509 -in '" + SidePath("cert.pem") +
                                   "' -pubkey -noout | openssl pkey -pubin -outform der | "
                                   "openssl dgst -sha256 -binary | base64 | tr -d '=\\n'")
                            .out;
  return digest.substr(0, digest.find('\n'));
}

void FtpServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
  WriteFileBytes(root() + relativePath, bytes);
  GiveToServer(root() + relativePath);
}

void FtpServer::MakeDirectory(const std::string& relativePath) const {
  std::filesystem::path folder = root();
  for (const auto& part : std::filesystem::path(relativePath)) {
    folder /= part;
    std::filesystem::create_directory(folder);
    GiveToServer(folder.string());
  }
}

void FtpServer::GiveToServer(const std::string& path) const {
  if (chown(path.c_str(), serverUid_, serverGid_) != 0) {
    ADD_FAILURE() << "cannot give " << path << " to the server's account";
  }
}

std::string FtpServer::log() const {
  return ReadFileBytes(SidePath("server.log"));
}

FtpConnectOptions FtpServer::LoginOptions(int port) const {
  FtpConnectOptions options;
  options.server = "127.0.0.1";
  options.port = port != 0 ? port : port_;
  options.username = user_;
  options.password = password_;
  options.protocol = protocol_;
  options.sshKeyFolder = sshKeyFolder_;
  options.serverFingerprint =
      UsesTls(protocol_) || protocol_ == Protocol::Sftp ? fingerprint() : "";
  return options;
}

int FtpServer::loginCount() const {
  if (protocol_ == Protocol::Sftp) {
    const std::string text = log();
    int count = 0;
    for (size_t at = 0; (at = text.find("Accepted publickey", at)) != std::string::npos; ++at) {
      ++count;
    }
    return count;
  }
  if (IsWebDav(protocol_)) {
    std::ifstream requests(SidePath("access.log"));
    int count = 0;
    for (std::string line; std::getline(requests, line);) {
      count += line.starts_with("OPTIONS ") && line.find(" " + user_ + " ") != std::string::npos;
    }
    return count;
  }
  std::ifstream logins(SidePath("logins"));
  int count = 0;
  for (std::string line; std::getline(logins, line);) {
    ++count;
  }
  return count;
}

int FtpServer::httpRequestCount() const {
  std::ifstream requests(SidePath("access.log"));
  int count = 0;
  for (std::string line; std::getline(requests, line);) {
    ++count;
  }
  return count;
}

}  // namespace kestrin::test
