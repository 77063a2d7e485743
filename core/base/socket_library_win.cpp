// winsock2.h before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "core/base/failure_report.h"
#include "core/base/socket_library.h"

namespace tk {

void SocketLibraryTraits::Close(Handle) noexcept { ::WSACleanup(); }

// WSAStartup returns its error instead of setting the last error, which the note reads.
SocketLibraryStart StartSocketLibrary() {
    WSADATA data;
    const int error = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (error != 0) {
        ::SetLastError(static_cast<DWORD>(error));
        ReportFailure("starting Windows Sockets 2.2");
    }
    return SocketLibraryStart(error == 0);
}

}  // namespace tk
