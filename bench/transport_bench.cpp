// A no-change sync of 10 000 shortcuts over each transport, beside plain FTP: the same
// computer synchronizes again with nothing changed, through the test servers on 127.0.0.1
// (pure-ftpd without and with TLS, OpenSSH's sshd).

#include <benchmark/benchmark.h>

#include "bench/generated_favorites.h"
#include "tests/sync/computer.h"

namespace {

using kestrin::test::FtpServerKind;

void NoChangeSync(benchmark::State& state, FtpServerKind kind) {
  const auto server = kestrin::test::FtpServer::Start(kind);
  if (!server) {
    state.SkipWithError("the server cannot run here");
    return;
  }
  kestrin::test::Computer computer("A", *server);
  kestrin::bench::WriteTree(kestrin::bench::GeneratedList(10000, "A"), computer.favorites());
  if (!computer.Sync()) {
    state.SkipWithError("the first sync failed");
    return;
  }
  for (auto _ : state) {
    if (!computer.Sync()) {
      state.SkipWithError("a sync failed");
    }
  }
}

BENCHMARK_CAPTURE(NoChangeSync, Ftp, FtpServerKind::PureFtpd)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, FtpOverTls, FtpServerKind::PureFtpdTls)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(NoChangeSync, Sftp, FtpServerKind::OpenSsh)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
