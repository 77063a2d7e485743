// The metrics file's cost per pass on the host: the sink given a pass over 300 screens (the key
// read from a settings file of 300 screens, the text built, the file replaced through a
// temporary file in the same folder), against a plain write of the same bytes with the C
// library to a file beside it, in the same run:
//   build/native/bench/metrics_file_bench
// The counter "ratio" of BM_MetricsFilePass is its time over BM_PlainWrite's. Goal: at most 2 ms
// a pass. Under Wine: bench/win/metrics_file_bench.cpp.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/metrics_bench_pass.h"
#include "core/base/clock.h"
#include "core/store/atomic_file.h"
#include "core/store/profile_file.h"
#include "core/sync/metrics_file.h"

namespace {

std::string TempFolder() {
    char tmpl[] = "/tmp/tk-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) std::abort();
    return tmpl;
}

// The median time of the plain write, kept for the other benchmark's ratio.
double g_plainSeconds = 0;
std::string g_bytes;

void BM_PlainWrite(benchmark::State& state) {
    const std::string folder = TempFolder();
    const std::string path = folder + "/plain.prom";
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(g_bytes.data(), 1, g_bytes.size(), f) != g_bytes.size()) {
            std::abort();
        }
        std::fclose(f);
    }
    std::filesystem::remove_all(folder);
}

void BM_MetricsFilePass(benchmark::State& state) {
    const std::string folder = TempFolder();
    const std::string path = folder + "/tk_sync.prom";
    const std::string settingsPath = folder + "/TK100_Dll_Set.ini";
    std::ofstream(settingsPath, std::ios::binary) << tk_bench::SettingsWithMetricsFile(path);
    tk::PortableProfile settings(settingsPath);
    tk::AtomicFileReplacer files(tk::Durability::kOnRename);
    tk_bench::NoNotes notes;
    tk_bench::LogWritten log;
    tk::SystemClock clock;
    tk::MetricsFile sink({settings, files, notes, log, clock}, "3.4", "C:\\LED", "");
    const tk::PassRecord record = tk_bench::ThreeHundredScreenPass(clock.Now());
    for (auto _ : state) sink.PassEnded(record);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(folder);
}

}  // namespace

// The plain write first, with the bytes the sink writes; then the sink, with the ratio.
int main(int argc, char** argv) {
    tk::PassTally tally;
    tally.Add(tk_bench::ThreeHundredScreenPass(1700000000));
    tk::MetricsProgram program;
    program.version = "3.4";
    program.folder = "C:\\LED";
    g_bytes = tk::MetricsText(program, tally);

    benchmark::Initialize(&argc, argv);
    struct Ratio : benchmark::ConsoleReporter {
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& run : runs) {
                const double seconds = run.GetAdjustedRealTime() / 1e6;  // kMillisecond
                if (run.benchmark_name().rfind("BM_PlainWrite", 0) == 0) g_plainSeconds = seconds;
                if (run.benchmark_name().rfind("BM_MetricsFilePass", 0) == 0 &&
                    g_plainSeconds > 0) {
                    const_cast<Run&>(run).counters["ratio"] = seconds / g_plainSeconds;
                    const_cast<Run&>(run).counters["goal_2ms"] = seconds <= 0.002 ? 1 : 0;
                }
            }
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RegisterBenchmark("BM_PlainWrite", BM_PlainWrite)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_MetricsFilePass", BM_MetricsFilePass)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
