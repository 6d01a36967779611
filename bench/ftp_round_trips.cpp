// The round trips of a no-change sync of 1 000 shortcuts over a link with 50 ms round trips:
// a delaying relay stands in front of each test server and counts the commands on the
// control connection and the data connections opened. One run each:
//   kestrin_round_trips_bench [SHORTCUTS]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "bench/delaying_proxy.h"
#include "bench/generated_favorites.h"
#include "tests/sync/computer.h"

namespace {

using kestrin::bench::DelayingProxy;
using kestrin::test::FtpServer;
using kestrin::test::FtpServerKind;

constexpr auto kRoundTrip = std::chrono::milliseconds(50);

// The verbs in pyftpdlib's log lines ("[I date] 127.0.0.1:port-[user] SIZE /path 213").
std::string CommandsLogged(const std::string& log) {
  std::string commands;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    const size_t user = line.find("-[");
    const size_t verb = user == std::string::npos ? user : line.find("] ", user);
    // Sessions and finished transfers are reported too.
    if (verb != std::string::npos && line.find("FTP session") == std::string::npos &&
        line.find(" completed=") == std::string::npos) {
      commands += (commands.empty() ? "" : " ") +
                  line.substr(verb + 2, line.find(' ', verb + 2) - verb - 2);
    }
  }
  return commands;
}

void NoChangeSync(FtpServerKind kind, std::size_t shortcuts) {
  const std::string name = kestrin::test::FtpServerKindName(kind);
  DelayingProxy proxy(kRoundTrip);
  const auto server = FtpServer::Start(
      kind, {.firstPassivePort = proxy.firstDataPort(), .lastPassivePort = proxy.lastDataPort()});
  if (!server) {
    std::printf("%-12s cannot run here\n", name.c_str());
    return;
  }
  proxy.Start(server->port());
  server->MakeDirectory("shared");
  kestrin::test::Computer computer("A", *server);
  computer.settings.Server = DelayingProxy::kAddress;
  computer.settings.Port = std::to_string(proxy.port());
  computer.settings.RemoteDir = "shared";
  kestrin::bench::WriteTree(kestrin::bench::GeneratedList(shortcuts, "A"), computer.favorites());
  if (!computer.Sync()) {
    const auto& lines = computer.display.lines;
    std::printf(
        "%-12s the first sync failed: %s\n", name.c_str(),
        lines.size() >= 3 ? (lines[lines.size() - 3] + " " + lines[lines.size() - 2]).c_str() : "");
    return;
  }
  proxy.Take();
  const size_t logged = server->log().size();
  const auto start = std::chrono::steady_clock::now();
  const bool synced = computer.Sync();
  const auto wall = std::chrono::steady_clock::now() - start;
  const DelayingProxy::Counts counts = proxy.Take();
  std::printf("%-12s %8d %8d %10.3f%s\n", name.c_str(), counts.commands, counts.dataConnections,
              std::chrono::duration<double>(wall).count(), synced ? "" : "  (failed)");
  if (kind == FtpServerKind::Pyftpdlib) {
    std::printf("  %s\n", CommandsLogged(server->log().substr(logged)).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t shortcuts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
  std::printf("no-change sync of %zu shortcuts, %lld ms round trips\n", shortcuts,
              static_cast<long long>(kRoundTrip.count()));
  std::printf("%-12s %8s %8s %10s\n", "server", "commands", "data", "wall s");
  for (const FtpServerKind kind :
       {FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd, FtpServerKind::PureFtpdTls}) {
    NoChangeSync(kind, shortcuts);
  }
}
