// Serves one of the test servers for a test in another language (the Windows tests under
// Wine): makes the shared folder, prints what logs in to the server and trusts it, one
// "name=value" a line and then "ready", and serves until its standard input ends.
// Usage: kestrin_test_server PureFtpdTls|ApacheDavTls|OpenSsh FOLDER

#include <iostream>
#include <string>

#include "tests/support/ftp_server.h"

namespace kestrin::test {
namespace {

int Serve(FtpServerKind kind, const std::string& folder) {
  const auto server = FtpServer::Start(kind);
  if (!server) {
    std::cerr << FtpServerKindName(kind) << " cannot run here\n";
    return 1;
  }
  server->MakeDirectory(folder);
  // The TLS certificate, for a client to trust as its authority.
  const TempDir side;
  WriteFileBytes(side.path() + "certificate.pem", server->certificate());
  std::cout << "certificate=" << side.path() << "certificate.pem\nport=" << server->port()
            << "\nprotocol=" << static_cast<int>(server->protocol()) << "\nuser=" << server->user()
            << "\npassword=" << server->password() << "\nfingerprint=" << server->fingerprint()
            << "\nsshKeyFolder=" << server->sshKeyFolder() << "\nready" << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
  }
  return 0;
}

}  // namespace
}  // namespace kestrin::test

int main(int argc, char** argv) {
  using kestrin::test::FtpServerKind;
  for (const FtpServerKind kind :
       {FtpServerKind::PureFtpdTls, FtpServerKind::ApacheDavTls, FtpServerKind::OpenSsh}) {
    if (argc == 3 && argv[1] == kestrin::test::FtpServerKindName(kind)) {
      return kestrin::test::Serve(kind, argv[2]);
    }
  }
  std::cerr << "usage: kestrin_test_server PureFtpdTls|ApacheDavTls|OpenSsh FOLDER\n";
  return 2;
}
