// Times the reachability probe under Wine: socket, options, send and the wait, as a
// pass runs it. Prints one line that bench/run-all reads:
//   probe HOST N answered=A median_us=M mean_us=X min_us=L max_us=H
//   scripts/wine-run build/windows/bench/win/probe_bench.exe HOST [N]
// HOST must be in 127.0.0.0/8 (bench/run-all runs it in a network namespace of its own).
#include <winsock2.h>
// After winsock2.h, which must come first.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

#include "bench/win/bench_util.h"
#include "core/probe/probe.h"
#include "tests/common/probe_one.h"

int main(int argc, char** argv) {
    if (argc < 2 || std::strncmp(argv[1], "127.", 4) != 0) {
        std::printf("usage: probe_bench 127.x.y.z [count]\n");
        return 2;
    }
    const char* host = argv[1];
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    tk::IcmpProbe probe;
    tk_test::ProbeOne(probe,
                      host);  // the first probe loads what the socket layer loads on first use
    std::vector<double> us;
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        us.push_back(1000.0 * tk_bench::TimeMs([&] { ok = tk_test::ProbeOne(probe, host); }));
        answered += ok ? 1 : 0;
    }
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / us.size();
    std::printf("probe %s %d answered=%d median_us=%.1f mean_us=%.1f min_us=%.1f max_us=%.1f\n",
                host, count, answered, tk_bench::Median(us), mean,
                *std::min_element(us.begin(), us.end()), *std::max_element(us.begin(), us.end()));
    ::WSACleanup();
    return 0;
}
