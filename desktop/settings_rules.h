#pragma once

#include <optional>
#include <string>

#include "ftp/ftp_client.h"

namespace kestrin::desktop {

// What "Use Encryption" gives now: with a passphrase the shared list is sealed; without one
// its fields are only Radix-64, which anyone can read back. Empty while it is off.
std::string EncryptionModeText(bool useEncryption, bool hasPassphrase);

// The port that follows a change of protocol: while `port` is some protocol's usual port it
// becomes the chosen protocol's; otherwise nullopt, the user's own port stays.
std::optional<std::string> PortAfterProtocolChange(const std::string& port, Protocol chosen);
// A warning beside the protocol list (plain HTTP carries the password in clear); or empty.
std::string ProtocolWarning(Protocol chosen);
// "Passive Mode" means something only where there is a data connection.
bool PassiveModeApplies(Protocol chosen);

}  // namespace kestrin::desktop
