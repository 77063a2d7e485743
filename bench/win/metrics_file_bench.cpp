// The metrics file's cost per pass under Wine: the sink given a pass over 300 screens (the key
// read through the profile API from a settings file of 300 screens, the text built, the file
// replaced through a temporary file in the same folder), against a plain write of the same bytes
// with the C library to a file beside it, in the same run:
//   scripts/wine-run build/windows/bench/win/metrics_file_bench.exe [runs]
// Goal: at most 10 ms a pass. On the host: bench/metrics_file_bench.cpp.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/metrics_bench_pass.h"
#include "bench/win/bench_util.h"
#include "core/base/clock.h"
#include "core/store/atomic_file.h"
#include "core/store/win32_profile_win.h"
#include "core/sync/metrics_file.h"

namespace {

std::string TempFolder() {
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    const std::string folder =
        std::string(base) + "tk-metrics-bench-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string folder = TempFolder();
    const std::string path = folder + "\\tk_sync.prom";
    const std::string plainPath = folder + "\\plain.prom";
    const std::string settingsPath = folder + "\\TK100_Dll_Set.ini";
    {
        FILE* f = std::fopen(settingsPath.c_str(), "wb");
        const std::string settings = tk_bench::SettingsWithMetricsFile(path);
        std::fwrite(settings.data(), 1, settings.size(), f);
        std::fclose(f);
    }
    tk_bench::DateBack(settingsPath);

    tk::Win32Profile settings(settingsPath);
    tk::AtomicFileReplacer files(tk::Durability::kOnRename);
    tk_bench::NoNotes notes;
    tk_bench::LogWritten log;
    tk::SystemClock clock;
    tk::MetricsFile sink({settings, files, notes, log, clock}, "3.4", "C:\\LED", "");
    const tk::PassRecord record = tk_bench::ThreeHundredScreenPass(clock.Now());
    sink.PassEnded(record);  // the profile API's first read of the file is the program's start's

    std::vector<double> sinkMs, plainMs;
    std::string bytes;
    for (int i = 0; i < runs; ++i) {
        sinkMs.push_back(tk_bench::TimeMs([&] { sink.PassEnded(record); }));
        if (bytes.empty()) {
            FILE* f = std::fopen(path.c_str(), "rb");
            char chunk[65536];
            while (size_t n = std::fread(chunk, 1, sizeof chunk, f)) bytes.append(chunk, n);
            std::fclose(f);
        }
        plainMs.push_back(tk_bench::TimeMs([&] {
            FILE* f = std::fopen(plainPath.c_str(), "wb");
            if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
                std::abort();
            }
            std::fclose(f);
        }));
    }
    const double metrics = tk_bench::Median(sinkMs);
    const double plain = tk_bench::Median(plainMs);
    const double goalMs = 10;
    std::printf(
        "metrics file of %d screens (%zu bytes), median of %d runs: %.3f ms; plain write of the "
        "same bytes %.3f ms (ratio %.1f); goal <= %.0f ms: %s\n",
        tk_bench::kMetricsScreens, bytes.size(), runs, metrics, plain,
        plain > 0 ? metrics / plain : 0.0, goalMs, metrics <= goalMs ? "met" : "MISSED");
    for (const std::string& file : {path, plainPath, settingsPath}) ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder.c_str());
    return 0;
}
