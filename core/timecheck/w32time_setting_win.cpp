// windows.h comes with the handle header, after winsock2.h.
#include "core/base/unique_handle_win.h"
#include "core/timecheck/time_server.h"

namespace tk {

namespace {

// A REG_SZ value under HKEY_LOCAL_MACHINE; empty when the key or the value is missing. The
// 64-bit view, where the time service keeps its settings, also for the 32-bit build.
std::string MachineString(const char* keyPath, const char* name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                        &opened) != ERROR_SUCCESS) {
        return {};
    }
    const UniqueRegKey key(opened);
    char value[1024];
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    value[size] = '\0';
    return value;
}

}  // namespace

W32TimeServers W32TimeSetting::Read() {
    W32TimeServers servers;
    servers.policy =
        MachineString("SOFTWARE\\Policies\\Microsoft\\W32Time\\Parameters", "NtpServer");
    servers.service =
        MachineString("SYSTEM\\CurrentControlSet\\Services\\W32Time\\Parameters", "NtpServer");
    return servers;
}

}  // namespace tk
