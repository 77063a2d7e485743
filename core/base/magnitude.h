// The magnitude of a signed count, as the texts and the bounds that compare it need it.
#pragma once

#include <cstdint>

namespace tk {

// |value| without overflow, also for the most negative value.
inline std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace tk
