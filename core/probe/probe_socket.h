// What both probe implementations share of the sockets API. Included by the probe's own files
// and their tests only: it brings in the platform's socket headers.
#pragma once

// The socket header (winsock2.h) must come before windows.h, which would otherwise pull in the
// old winsock.h, and iphlpapi.h before icmpapi.h.
// clang-format off
#include "core/base/native_socket.h"
#ifdef _WIN32
#include <iphlpapi.h>
#include <icmpapi.h>
#endif
// clang-format on

#include <cstdint>
#include <memory>

#include "core/probe/echo_packet.h"
#include "core/probe/probe.h"

namespace tk {

// Sends the request once to an IPv4 address (network byte order), port 0. A failed send is
// not reported: the wait that follows finds nothing to read.
void SendEchoRequest(NativeSocket socket, std::uint32_t address, const EchoRequest& packet);

#ifdef _WIN32
// Winsock's select, through which the raw socket waits; a test hands in one that records the
// time-out, since on loopback the answer is there before any wait could show its length.
using SelectFunction = int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, timeval*);
// OpenRawEchoSocket with its wait made through select.
std::unique_ptr<IEchoSocket> OpenRawEchoSocketWith(SelectFunction select);

// The ICMP helper's IcmpSendEcho2, through which the unprivileged socket starts each request; a
// test hands in one that records the calls and their completions.
using SendEcho2Function = DWORD(WINAPI*)(HANDLE, HANDLE, FARPROC, PVOID, IPAddr, LPVOID, WORD,
                                         PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD);
// OpenUnprivilegedEchoSocket with its requests started through sendEcho.
std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocketWith(SendEcho2Function sendEcho);
#endif

}  // namespace tk
