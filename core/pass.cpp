#include "core/pass.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tk {

namespace {

// Status text for one screen, success or failure.
std::string ScreenResultText(int screenNumber, bool success) {
    char text[64];
    std::snprintf(text, sizeof text, success ? "状态：%d号屏校时成功！" : "状态：%d号屏校时失败！",
                  screenNumber);
    return text;
}

// Summary text at the end of a pass.
std::string PassSummaryText(int count, int failures) {
    char text[128];
    std::snprintf(text, sizeof text, "此次校时共：%d张卡，其中%d张成功，%d张失败！", count,
                  count - failures, failures);
    return text;
}

// Probes a network screen first; asks the library to set the clock of a reachable or serial one.
bool AdjustScreen(const ScreenEntry& entry, int screenNumber, const PassServices& services) {
    if (entry.network) {
        const std::string host(entry.address, strnlen(entry.address, sizeof entry.address));
        if (!services.probe.Probe(host.c_str())) return false;
    }
    return services.library.AdjustTime(screenNumber) != 0;
}

}  // namespace

void RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services) {
    state.busy = 1;
    state.elapsed = 0;
    int failures = 0;
    // The table holds kMaxScreens entries; the loader keeps the count within it.
    const int32_t visited = std::min(roster.count, kMaxScreens);
    for (int32_t i = 0; i < visited; ++i) {
        const int screenNumber = i + 1;
        const bool success = AdjustScreen(roster.entries[i], screenNumber, services);
        if (!success) ++failures;
        services.status.SetStatusText(ScreenResultText(screenNumber, success));
        services.pump.PumpOne();
    }
    services.status.SetStatusText(PassSummaryText(roster.count, failures));
    state.busy = 0;
}

void RunManualPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   IManualPassView& view) {
    view.ShowManualPassRunning(true);
    RunPass(roster, state, services);
    view.ShowManualPassRunning(false);
}

}  // namespace tk
