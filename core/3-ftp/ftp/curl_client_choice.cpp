#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ftp/curl_clients.h"
#include "ftp/ftp_client.h"

namespace kestrin {
namespace {

// Hands every operation to the client of the protocol the last Connect asked for.
class ClientForProtocol final : public FtpClient {
 public:
  explicit ClientForProtocol(std::function<void()> yield) : yield_(std::move(yield)) {}

  Result<> Connect(const FtpConnectOptions& options) override {
    const bool webDav = IsWebDav(options.protocol);
    if (chosen_ == nullptr || webDav != webDav_) {
      chosen_ = webDav ? MakeCurlWebDavClient(yield_) : MakeCurlFileTransferClient(yield_);
      webDav_ = webDav;
    }
    return chosen_->Connect(options);
  }
  std::string PresentedFingerprint() const override {
    return chosen_ ? chosen_->PresentedFingerprint() : "";
  }
  Result<> SetCurrentDirectory(const std::string& directory) override {
    return chosen_ ? chosen_->SetCurrentDirectory(directory) : NotConnected();
  }
  Result<RemoteFile> Probe(const std::string& name) override {
    return chosen_ ? chosen_->Probe(name) : Result<RemoteFile>::Fail(kNotConnected);
  }
  Result<> Download(const std::string& remoteName, const std::string& localPath) override {
    return chosen_ ? chosen_->Download(remoteName, localPath) : NotConnected();
  }
  Result<std::string> Read(const std::string& remoteName) override {
    return chosen_ ? chosen_->Read(remoteName) : Result<std::string>::Fail(kNotConnected);
  }
  Result<bool> Holds(const std::string& remoteName, std::string_view expected) override {
    return chosen_ ? chosen_->Holds(remoteName, expected) : Result<bool>::Fail(kNotConnected);
  }
  Result<> Upload(const std::string& localPath, const std::string& remoteName) override {
    return chosen_ ? chosen_->Upload(localPath, remoteName) : NotConnected();
  }
  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    return chosen_ ? chosen_->Rename(from, to)
                   : Result<void, RenameFailure>::Fail({RenameRefusal::None, kNotConnected});
  }
  Result<> Delete(const std::string& name) override {
    return chosen_ ? chosen_->Delete(name) : NotConnected();
  }
  void Close() override {
    if (chosen_) {
      chosen_->Close();
    }
  }
  ConditionalStore* conditionalStore() override {
    return chosen_ ? chosen_->conditionalStore() : nullptr;
  }

 private:
  static constexpr char kNotConnected[] = "not connected";
  static Result<> NotConnected() { return Result<>::Fail(kNotConnected); }

  std::function<void()> yield_;
  std::unique_ptr<FtpClient> chosen_;
  bool webDav_ = false;
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFtpClient(std::function<void()> yield) {
  return std::make_unique<ClientForProtocol>(std::move(yield));
}

}  // namespace kestrin
