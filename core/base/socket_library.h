// The system's socket library (Windows Sockets 2.2), started by whoever makes socket calls.
#pragma once

#include "core/base/unique_any.h"

namespace tk {

// One start of the library, cleaned up when its owner goes; elsewhere there is nothing to start.
// Windows counts the starts: the program holds one for its probes while it runs, and a time
// server query's lookup and its socket each hold one of their own, so the program's clean-up at
// exit cannot pull the library from under a query still running on its worker.
struct SocketLibraryTraits {
    using Handle = bool;  // started
    static Handle Invalid() noexcept { return false; }
    static void Close(Handle) noexcept;
};
using SocketLibraryStart = UniqueAny<SocketLibraryTraits>;

// Empty (with a note) when the system refuses; every socket call then simply fails.
SocketLibraryStart StartSocketLibrary();

}  // namespace tk
