#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/generated_favorites.h"
#include "bookmarks/favorites_tree.h"
#include "bookmarks/import_bookmarks.h"
#include "bookmarks/netscape_html.h"

namespace {

namespace fs = std::filesystem;

// Range 0: shortcuts in the generated tree. Export reads the Favorites folder and writes the
// bookmark file's text; import reads that text and writes every shortcut into an empty folder.
void ExportBookmarks(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / "kestrin-bench-export";
  fs::remove_all(root);
  kestrin::bench::WriteTree(
      kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "A"), root);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        kestrin::WriteNetscapeBookmarks(kestrin::ReadFavoritesTree(root.string() + "/").root));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  fs::remove_all(root);
}

void ImportBookmarks(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / "kestrin-bench-import";
  fs::remove_all(root);
  kestrin::bench::WriteTree(
      kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "A"), root);
  const std::string html =
      kestrin::WriteNetscapeBookmarks(kestrin::ReadFavoritesTree(root.string() + "/").root);
  fs::remove_all(root);
  for (auto _ : state) {
    fs::create_directories(root / "Favorites");
    const auto imported =
        kestrin::ImportBookmarks(*kestrin::ReadNetscapeBookmarks(html),
                                 root.string() + "/Favorites/", "", root.string() + "/restore/");
    benchmark::DoNotOptimize(imported->shortcutsCreated);
    state.PauseTiming();
    fs::remove_all(root);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(ExportBookmarks)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportBookmarks)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
