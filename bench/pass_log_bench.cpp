// Times writing the log of one pass over 300 screens (the lines formatted, the size looked at,
// the lines appended), against appending the same bytes to a file with the C library in the same
// run. Built for the host and for Windows; under Wine:
//   scripts/wine-run build/windows/bench/win/pass_log_bench.exe [runs]
// Goal: at most 1 ms on the host, at most 10 ms under Wine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/sync/clock_text.h"
#include "core/sync/pass.h"
#include "core/sync/pass_log.h"

namespace {

constexpr int kScreens = 300;

// A pass of 300 screens: every tenth fails the probe, every seventh the library.
tk::PassRecord ThreeHundredScreens(tk::IClock& clock) {
    tk::PassRecord record;
    record.started = record.ended = clock.Now();
    for (int i = 1; i <= kScreens; ++i) {
        tk::ScreenOutcome screen;
        screen.time = record.started;
        screen.number = i;
        screen.network = i % 3 != 0;
        screen.address = "192.168.10." + std::to_string(i % 250);
        screen.failure = i % 10 == 0  ? tk::ScreenFailure::kNoAnswer
                         : i % 7 == 0 ? tk::ScreenFailure::kNoReply
                                      : tk::ScreenFailure::kNone;
        record.failures += screen.failure != tk::ScreenFailure::kNone;
        record.screens.push_back(screen);
    }
    record.count = kScreens;
    return record;
}

template <typename F>
double MedianMs(int runs, F&& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    tk::SystemClock clock;
    const tk::PassRecord record = ThreeHundredScreens(clock);
    const std::string path = "pass_log_bench.log";
    const std::string reference = "pass_log_bench.ref";
    std::remove(path.c_str());
    std::remove((path + ".1").c_str());
    std::remove(reference.c_str());
    tk::PassLogFile file(path);
    size_t bytes = 0;
    const double logMs = MedianMs(runs, [&] {
        const std::string lines = tk::PassLogLines(record, clock);
        bytes = lines.size();
        if (!tk::AppendPassLog(file, lines)) std::abort();
    });
    const std::string lines = tk::PassLogLines(record, clock);
    const double appendMs = MedianMs(runs, [&] {
        FILE* f = std::fopen(reference.c_str(), "ab");
        if (f == nullptr || std::fwrite(lines.data(), 1, lines.size(), f) != lines.size()) {
            std::abort();
        }
        std::fclose(f);
    });
#ifdef _WIN32
    const double goalMs = 10;
#else
    const double goalMs = 1;
#endif
    std::printf(
        "pass log of %d screens (%zu bytes), median of %d runs: %.3f ms; plain append "
        "of the same bytes %.3f ms (ratio %.1f); goal <= %.0f ms: %s\n",
        kScreens, bytes, runs, logMs, appendMs, appendMs > 0 ? logMs / appendMs : 0.0, goalMs,
        logMs <= goalMs ? "met" : "MISSED");
    std::remove(path.c_str());
    std::remove((path + ".1").c_str());
    std::remove(reference.c_str());
    return 0;
}
