// One address text probed alone, as the probe's tests and benchmarks ask it.
#pragma once

#include <cstdint>

#include "core/base/dotted_address.h"
#include "core/probe/probe.h"

namespace tk_test {

// A text that is no dotted address (read as a screen's is, DottedRule::kExact) is unreachable
// and asks nothing of the probe.
inline bool ProbeOne(tk::IProbe& probe, const char* host) {
    const auto octets = tk::ReadDottedAddress(host, tk::DottedRule::kExact);
    return octets && probe.ProbeAll({tk::NetworkOrder(*octets)}).front();
}

// The same on a probe made for the one call.
inline bool ProbeOne(tk::IProbe&& probe, const char* host) { return ProbeOne(probe, host); }

}  // namespace tk_test
