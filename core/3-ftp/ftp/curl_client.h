#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/curl_server_identity.h"
#include "ftp/ftp_client.h"

namespace kestrin {

// FTP commands and HTTP headers end at a line break, so a name carrying one could smuggle in
// a second command or header.
bool IsSafeName(const std::string& name);

// What the libcurl clients share, whatever the protocol: one connection kept open through a
// multi handle so that every wait yields, the server's identity checked on each request, the
// deadlines of transfers, and the download, read and upload of a file by its URL.
class CurlClient : public FtpClient {
 public:
  explicit CurlClient(std::function<void()> yield) : yield_(std::move(yield)) {}
  ~CurlClient() override;

  std::string PresentedFingerprint() const final { return identity_.presented(); }
  Result<> Download(const std::string& remoteName, const std::string& localPath) override;
  Result<std::string> Read(const std::string& remoteName) override;
  Result<bool> Holds(const std::string& remoteName, std::string_view expected) override;
  Result<> Upload(const std::string& localPath, const std::string& remoteName) override;
  void Close() final;

 protected:
  // Starts libcurl for a connection to `options`, whose URLs begin with `scheme`.
  Result<> Start(const FtpConnectOptions& options, const std::string& scheme);
  // After a first request that failed because the system does not trust the certificate,
  // repeats it to learn the certificate's key, ending before anything else is sent.
  void LearnCertificateAfter(const std::string& url, const std::function<void()>& configure);

  // The URL of a file in the current directory.
  virtual std::string FileUrl(const std::string& name) const = 0;
  // The protocol's own options of every request, after the shared ones.
  virtual void ApplyProtocolOptions() = 0;
  // The server's last reply ("550 No such file.", "HTTP/1.1 404 Not Found"), if any.
  virtual std::string LastReply() const = 0;
  // The HTTP status of the last request; 0 for other protocols.
  virtual long HttpStatus() const { return 0; }
  // libcurl's outcome of a request, made a failure where the protocol's reply is one that
  // libcurl takes for success (an HTTP refusal).
  virtual CURLcode Judged(CURLcode result) const { return result; }
  // The size a download of the file must bring where the transfer itself does not tell it
  // (FTP); none where it does (HTTP's Content-Length) or nothing can tell.
  virtual Result<std::optional<std::int64_t>> ExpectedSize(const std::string&) {
    return Result<std::optional<std::int64_t>>::Ok(std::nullopt);
  }
  // The protocol's own options of a download, after the shared ones.
  virtual void ApplyDownloadOptions() {}
  // Told when a request had to open a new connection, and after a transfer ended.
  virtual void Reconnected() {}
  virtual void Transferred() {}
  // The size the server gives for a file (SIZE, HEAD); none when it cannot tell.
  virtual std::optional<std::int64_t> RemoteSize(const std::string& name);

  // Runs one request on the connection: the handle is reset to the session's options,
  // `configure` adds the request's own, and the network waits yield. A failed request
  // leaves its reason in failure_.
  CURLcode Run(const std::string& url, const std::function<void()>& configure);
  Result<> Perform(const std::string& url, const std::function<void()>& configure) {
    return Run(url, configure) == CURLE_OK ? Result<>::Ok() : Failed();
  }
  // The failure of the last request.
  Result<> Failed() const { return Result<>::Fail(failure_); }
  // A request that moves a file of at most `maxBytes`, given up when its deadline passes.
  Result<> Transfer(const std::string& url, std::int64_t maxBytes,
                    const std::function<void()>& configure);
  // The body of a response, at most maxDownloadBytes, read into memory.
  Result<std::string> Fetch(const std::string& url, const std::function<void()>& configure);
  // Sends a local file to `url` (STOR, PUT) with `configure` adding the request's own
  // options; the stored size is not checked.
  Result<> SendFile(const std::string& localPath, const std::string& url,
                    const std::function<void()>& configure);
  // Fails unless the server holds `expected` bytes under the name.
  Result<> CheckStoredSize(const std::string& name, std::int64_t expected);
  void NoTransfer() { curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L); }
  // How many requests ran on this client: a fact learnt is fresh while it has not grown.
  std::uint64_t requestsRun() const { return requestsRun_; }
  std::string Escape(const std::string& text) const;

  FtpConnectOptions options_;
  std::string serverUrl_;  // scheme, host and port
  CurlServerIdentity identity_;
  CURLcode lastCode_ = CURLE_OK;  // of the last request
  CURL* easy_ = nullptr;
  std::string failure_;  // why the last failed request failed

 private:
  void ApplySessionOptions();
  // Downloads a file whole, or fails, counting the bytes into `received`; `configure` is told
  // the size that must arrive, if known.
  Result<> Receive(const std::string& name, const std::int64_t& received,
                   const std::function<void(std::optional<std::int64_t>)>& configure);
  // Whether the size the server tells for the file now is `size`.
  bool IsSizeNow(const std::string& name, std::int64_t size);

  std::function<void()> yield_;
  CURLM* multi_ = nullptr;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  std::uint64_t requestsRun_ = 0;
};

}  // namespace kestrin
