// Windows only: the stand-in tests put in place of the interrupt time that the uptime clock
// reads (QueryInterruptTimePrecise, which Wine does not have).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tk {

// The interrupt time in 100 ns units; nullopt where the system has no QueryInterruptTimePrecise.
using InterruptTimeHook = std::function<std::optional<std::uint64_t>()>;

// Puts hook in place of the system's interrupt time and hands back the one it replaces; an empty
// one brings back the real call.
InterruptTimeHook SetInterruptTimeHook(InterruptTimeHook hook);

}  // namespace tk
