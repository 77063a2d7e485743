// The platform's socket handle, for the files that make socket calls (the probe's, the time
// server query's) and their tests only: it brings in the platform's socket headers.
#pragma once

#ifdef _WIN32
// winsock2.h before windows.h, which would otherwise pull in the old winsock.h.
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace tk {

#ifdef _WIN32
using NativeSocket = SOCKET;
#else
using NativeSocket = int;
#endif

}  // namespace tk
