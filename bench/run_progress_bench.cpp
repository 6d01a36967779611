#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

#include <time.h>

#include "bench/generated_favorites.h"
#include "sync/apply_changes.h"
#include "sync/change_detection.h"
#include "sync/run_steps.h"

namespace {

using Clock = std::chrono::steady_clock;

// This thread's processor time: what the run itself spends between two chances, whatever
// else the machine runs meanwhile.
Clock::duration ThreadTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

class NoDisplay : public kestrin::RunDisplay {
 public:
  void ClearActivityPane() override {}
  void AppendActivityLine(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
  void SetTrayState(kestrin::StatusImage, const std::string&) override {}
  void ShowRunState(bool) override {}
};

// Range 0: shortcuts created in an empty Favorites folder, which is then scanned into a local
// data file as a run does (the scan cache written too). Counter longest_gap_ms: the longest
// time between two chances for the window to process its events; longest_gap_cpu_ms: the
// longest processor time between two.
void LongestGapWithoutEvents(benchmark::State& state) {
  const auto work = std::filesystem::temp_directory_path() /
                    ("kestrin-bench-gap-" + std::to_string(state.range(0)));
  const std::string root = (work / "Favorites").string() + "/";
  const auto shared =
      kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "Study");
  const auto changes =
      kestrin::ComputeChanges({}, shared, nullptr, kestrin::EnUsGeneralDateFormat());
  NoDisplay display;
  kestrin::SyncEnvironment env = kestrin::StandardEnvironment(display, work / "kestrin.ini");
  env.favoritesRoot = root;
  env.workFolder = work.string() + "/";
  kestrin::SyncSettings settings;
  settings.Name = "Laptop";
  Clock::duration longest{}, longestCpu{}, lastCpu{};
  Clock::time_point last;
  const auto yield = [&] {
    const Clock::time_point now = Clock::now();
    const Clock::duration cpu = ThreadTime();
    longest = std::max(longest, now - last);
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    last = now;
    lastCpu = cpu;
  };
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(root);
    state.ResumeTiming();
    kestrin::ActivityReporter activity(display, false, yield, [] { return Clock::now(); });
    last = Clock::now();
    lastCpu = ThreadTime();
    ApplyChanges(*changes, kestrin::ApplyOccasion::Direct, root, env.dateFormat, activity);
    kestrin::SnapshotWritten written;
    static_cast<void>(kestrin::WriteSnapshot(env.workFolder + "local.dat", settings, env, activity,
                                             written, kestrin::ScanCacheUse::Keep));
    yield();
  }
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  state.counters["longest_gap_ms"] = ms(longest);
  state.counters["longest_gap_cpu_ms"] = ms(longestCpu);
  std::filesystem::remove_all(work);
}

BENCHMARK(LongestGapWithoutEvents)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
