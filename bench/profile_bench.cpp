#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/store/profile_file.h"
#include "core/store/settings.h"

// Saving 300 screens of 13 keys: one write per key (each rewrites the file, as the profile API
// does) against one batch committed once. The ratio is what the list window's save gains.
namespace {

constexpr int kScreens = 300;
const char* const kKeys[] = {"CardType",    "CardAddress", "CommunicationMode", "ScreemHeight",
                             "ScreemWidth", "SerialBaud",  "SerialNum",         "NetPort",
                             "IpAddress0",  "IpAddress1",  "IpAddress2",        "IpAddress3",
                             "ColorStyle"};

std::string TempIni() {
    char tmpl[] = "/tmp/tk-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) std::abort();
    return std::string(tmpl) + "/TK100_Dll_Set.ini";
}

void SaveScreens(tk::IProfile& p, int round) {
    p.WriteString("CONT", "ScreenCount", std::to_string(kScreens).c_str());
    for (int i = 0; i < kScreens; ++i) {
        const std::string section = tk::ScreenSectionName(i);
        for (const char* key : kKeys)
            p.WriteString(section.c_str(), key, std::to_string(i + round).c_str());
    }
}

void BM_SaveSingleWrites(benchmark::State& state) {
    const std::string path = TempIni();
    int round = 0;
    for (auto _ : state) {
        tk::PortableProfile p(path);
        SaveScreens(p, ++round);
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_SaveSingleWrites)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SaveBatch(benchmark::State& state) {
    const std::string path = TempIni();
    int round = 0;
    for (auto _ : state) {
        tk::ProfileBatch batch(path);
        SaveScreens(batch, ++round);
        if (!batch.Commit()) state.SkipWithError("commit failed");
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_SaveBatch)->Unit(benchmark::kMillisecond);

}  // namespace
