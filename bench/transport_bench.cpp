// A no-change sync over each transport, beside plain FTP: the same computer synchronizes again
// with nothing changed, through the test servers on 127.0.0.1 (pure-ftpd without and with
// TLS, OpenSSH's sshd, Apache's mod_dav over HTTP and HTTPS). "requests" is the round trips of
// one such sync where the server side can count them: FTP commands through a relay, HTTP
// requests in Apache's log.

#include <benchmark/benchmark.h>

#include "bench/generated_favorites.h"
#include "tests/support/cutting_proxy.h"
#include "tests/sync/computer.h"

namespace {

using kestrin::test::FtpServerKind;

// Counts the round trips of one more no-change sync where they can be counted.
void CountRequestsOfOneSync(benchmark::State& state, kestrin::test::Computer& computer,
                            const kestrin::test::FtpServer& server, FtpServerKind kind) {
  if (kind == FtpServerKind::PureFtpd) {
    kestrin::test::CuttingProxy relay(server.port());
    const std::string port = computer.settings.Port;
    computer.settings.Port = std::to_string(relay.port());
    if (computer.Sync()) {
      state.counters["requests"] = static_cast<double>(relay.commandsRelayed());
    }
    computer.settings.Port = port;
  } else if (IsWebDav(server.protocol())) {
    const int before = server.httpRequestCount();
    if (computer.Sync()) {
      state.counters["requests"] = server.httpRequestCount() - before;
    }
  }
}

void NoChangeSync(benchmark::State& state, FtpServerKind kind) {
  const auto server = kestrin::test::FtpServer::Start(kind);
  if (!server) {
    state.SkipWithError("the server cannot run here");
    return;
  }
  kestrin::test::Computer computer("A", *server);
  kestrin::bench::WriteTree(kestrin::bench::GeneratedList(static_cast<int>(state.range(0)), "A"),
                            computer.favorites());
  if (!computer.Sync()) {
    state.SkipWithError("the first sync failed");
    return;
  }
  for (auto _ : state) {
    if (!computer.Sync()) {
      state.SkipWithError("a sync failed");
    }
  }
  CountRequestsOfOneSync(state, computer, *server, kind);
}

BENCHMARK_CAPTURE(NoChangeSync, Ftp, FtpServerKind::PureFtpd)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, FtpOverTls, FtpServerKind::PureFtpdTls)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, Sftp, FtpServerKind::OpenSsh)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, WebDavHttp, FtpServerKind::ApacheDav)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, WebDavHttps, FtpServerKind::ApacheDavTls)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
