#include "desktop/settings_rules.h"

namespace kestrin::desktop {

std::string EncryptionModeText(bool useEncryption, bool hasPassphrase) {
  if (!useEncryption) {
    return {};
  }
  return hasPassphrase ? "(encrypted)" : "(encoded, not encrypted)";
}

std::optional<std::string> PortAfterProtocolChange(const std::string& port, Protocol chosen) {
  for (const Protocol other : {Protocol::Ftp, Protocol::FtpOverTls, Protocol::Sftp,
                               Protocol::WebDavHttps, Protocol::WebDavHttp}) {
    if (port == std::to_string(DefaultPort(other))) {
      return std::to_string(DefaultPort(chosen));
    }
  }
  return std::nullopt;
}

std::string ProtocolWarning(Protocol chosen) {
  return chosen == Protocol::WebDavHttp ? "(the password travels in clear)" : "";
}

bool PassiveModeApplies(Protocol chosen) {
  return !IsWebDav(chosen);
}

}  // namespace kestrin::desktop
