#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kestrin {

struct FtpConnectOptions {
  std::string server;
  int port = 21;
  std::string username;
  std::string password;
  bool passive = true;
  std::chrono::seconds connectTimeout{30};
  std::chrono::seconds replyTimeout{30};     // each server reply
  std::chrono::seconds stallTimeout{60};     // a transfer that makes no progress
};

// One logged-in FTP control connection. Every call blocks until done, calling the yield
// hook while it waits on the network. All names are relative to the current directory.
class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // Connects and logs in; false when the server cannot be reached or refuses the login.
  virtual bool Connect(const FtpConnectOptions& options) = 0;
  virtual bool SetCurrentDirectory(const std::string& directory) = 0;
  // True when the current directory holds a file of that name. Any failure counts as absence.
  virtual bool FileExists(const std::string& name) = 0;
  // Binary; the local file is replaced. False unless the whole file arrived.
  virtual bool Download(const std::string& remoteName, const std::string& localPath) = 0;
  // Binary; the remote file is replaced. False unless the whole file was stored.
  virtual bool Upload(const std::string& localPath, const std::string& remoteName) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Delete(const std::string& name) = 0;
  // Ends the connection (QUIT); safe to call more than once.
  virtual void Close() = 0;
  // The last failure as the library or the server put it, for diagnostics.
  virtual std::string LastError() const = 0;
};

// The libcurl client. `yield` is called while an operation waits on the network.
std::unique_ptr<FtpClient> MakeCurlFtpClient(std::function<void()> yield);

}  // namespace kestrin
