#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "bench/generated_favorites.h"
#include "favorites/scanner.h"

namespace {

// Range 0: shortcuts in the generated tree. The tree is written before and removed after
// the measurement; the page cache holds it, as it does for a folder scanned every run.
void ScanFavorites(benchmark::State& state) {
  const auto root = std::filesystem::temp_directory_path() /
                    ("kestrin-bench-scan-" + std::to_string(state.range(0)));
  std::filesystem::remove_all(root);
  kestrin::bench::WriteTree(
      kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "A"), root);
  const kestrin::ScanOptions options;
  for (auto _ : state) {
    std::ostringstream out;
    kestrin::ScanFavoritesFolder(root.string() + "/", out, options);
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove_all(root);
}

BENCHMARK(ScanFavorites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
