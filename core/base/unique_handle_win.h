// Windows only: owning handles of the kernel, registry, loader and sockets (see
// core/base/unique_any.h).
#pragma once

// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "core/base/unique_any.h"

namespace tk {

// A kernel handle whose failure value is null (events, threads, processes).
struct KernelHandleTraits : NullHandleTraits<HANDLE> {
    static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

// A file or device from CreateFile, which reports failure as INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

// A registry key opened or created by the program (never one of the predefined HKEY_* roots).
struct RegKeyTraits : NullHandleTraits<HKEY> {
    static void Close(HKEY handle) noexcept { ::RegCloseKey(handle); }
};

// A library loaded with LoadLibrary.
struct ModuleTraits : NullHandleTraits<HMODULE> {
    static void Close(HMODULE handle) noexcept { ::FreeLibrary(handle); }
};

// A Windows Sockets socket.
struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle handle) noexcept { ::closesocket(handle); }
};

using UniqueKernelHandle = UniqueAny<KernelHandleTraits>;
using UniqueFile = UniqueAny<FileTraits>;
using UniqueRegKey = UniqueAny<RegKeyTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
using UniqueSocket = UniqueAny<SocketTraits>;

}  // namespace tk
