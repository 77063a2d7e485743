// POSIX only: owning file descriptors (see core/base/unique_any.h).
#pragma once

#include <unistd.h>

#include "core/base/unique_any.h"

namespace tk {

// A descriptor from open, socket and the like, which report failure as -1.
struct FdTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return -1; }
    static void Close(Handle fd) noexcept { ::close(fd); }
};

using UniqueFd = UniqueAny<FdTraits>;

}  // namespace tk
