// The tray's Favorites menu: what opening it costs, offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMenu>
#include <filesystem>

#include "bench/generated_favorites.h"
#include "ui/favorites_menu.h"

namespace {

// The generated tree of range(0) shortcuts, 50 a folder in 250 top folders for 100 000; or,
// with range(1) set, every shortcut in the Favorites folder itself.
std::string WrittenTree(const benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const bool flat = state.range(1) != 0;
  const auto root = std::filesystem::temp_directory_path() /
                    ("kestrin-bench-menu-" + std::to_string(count) + (flat ? "-flat" : ""));
  std::filesystem::remove_all(root);
  kestrin::FavoritesDataFile list = kestrin::bench::GeneratedList(count, "A");
  if (flat) {
    kestrin::RecordList inRoot;
    for (kestrin::FavoriteRecord record : list.records) {
      record.Path = "";
      inRoot.push_back(record);
    }
    list.records = std::move(inRoot);
  }
  kestrin::bench::WriteTree(list, root.string());
  return root.string() + "/";
}

// Opening the Favorites menu as the tray opens it: read, sorted, laid out and shown.
void OpenFavoritesMenu(benchmark::State& state) {
  const std::string root = WrittenTree(state);
  QMenu tray;
  for (auto _ : state) {
    kestrin::ui::FavoritesMenu favorites(root, tray);
    favorites.menu().popup({0, 0});
    favorites.menu().hide();
    benchmark::DoNotOptimize(favorites.menu().actions().size());
  }
  std::filesystem::remove_all(root);
}

BENCHMARK(OpenFavoritesMenu)
    ->ArgNames({"shortcuts", "flat"})
    ->Args({100000, 0})
    ->Args({1000, 1})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
