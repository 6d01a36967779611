#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "bench/generated_favorites.h"
#include "favorites/data_file.h"

namespace {

std::string DataFileText(const kestrin::FavoritesDataFile& list, bool encode) {
  std::ostringstream out;
  for (const kestrin::FavoriteRecord& record : list.records) {
    kestrin::WriteFavoriteRecord(out, record, encode);
  }
  return "Study@12/5/2026 4:08:51 AM\r\n" + out.str();
}

// Range 0: records; range 1: 1 with Radix-64 fields. Written to a file stream, as the scanner
// writes, so that growing an in-memory copy is not what is measured.
void DataFileWrite(benchmark::State& state) {
  const auto list = kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "A");
  std::ofstream out("/dev/null", std::ios::binary);
  for (auto _ : state) {
    for (const kestrin::FavoriteRecord& record : list.records) {
      kestrin::WriteFavoriteRecord(out, record, state.range(1) == 1);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void DataFileRead(benchmark::State& state) {
  const auto list = kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "A");
  const std::string text = DataFileText(list, state.range(1) == 1);
  for (auto _ : state) {
    const auto parsed = kestrin::ParseFavoritesDataFile(text, state.range(1) == 1);
    if (!parsed) {
      state.SkipWithError(parsed.error().c_str());
      break;
    }
    benchmark::DoNotOptimize(parsed->records.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

BENCHMARK(DataFileWrite)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DataFileRead)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
