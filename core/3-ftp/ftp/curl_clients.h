#pragma once

#include <functional>
#include <memory>

#include "ftp/ftp_client.h"

namespace kestrin {

// libcurl's clients, one for each family of protocols; MakeCurlFtpClient picks one at Connect.
std::unique_ptr<FtpClient> MakeCurlFileTransferClient(std::function<void()> yield);  // FTP, SFTP
std::unique_ptr<FtpClient> MakeCurlWebDavClient(std::function<void()> yield);

}  // namespace kestrin
