// Stand-in for the controller library: reads TK100_Dll_Set.ini beside its own module and sets
// a controller's clock with one exchange of the wire format in library/wire_format.md.

// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "library/tk100_dll_win.h"

#include <cstdint>

#include "core/base/module_path_win.h"
#include "core/store/settings.h"
#include "core/screens/settings_file.h"
#include "core/store/win32_profile_win.h"
#include "library/link_settings.h"
#include "library/standin/links_win.h"

namespace {

HMODULE g_module = nullptr;
// Calls come from one thread and do not overlap; the lock only keeps a careless caller safe.
SRWLOCK g_lock = SRWLOCK_INIT;
bool g_loaded = false;
tk::LibrarySettings g_settings;
std::uint16_t g_sequence = 0;

// Reads the settings file beside the module into g_settings. The library finds the file beside
// its own module because the tool never passes it a path. The file is read through one parse:
// the tool asks for a reload right after saving the list, and the profile API, a call per key,
// re-reads a file that changed moments ago on every call (seconds for 300 screens under Wine).
// A file the one parse does not read (saved as Unicode, say) is read through the profile API,
// as a library that uses nothing else would read it.
void LoadSettings() {
    const std::string path = tk::SettingsPathFromModule(tk::ModuleFilePath(g_module));
    tk::Win32Profile api(path);
    g_settings = tk::ReadLibrarySettings(*tk::SettingsFile(path, api).Snapshot());
    if (!g_loaded) {
        // Requests of two processes that load the library should not share sequence numbers.
        g_sequence = static_cast<std::uint16_t>(GetTickCount() ^ (GetCurrentProcessId() << 7));
        g_loaded = true;
    }
}

// One exchange with the screen's controller over the link its section names.
bool AdjustScreen(const tk::ScreenSection& screen) {
    if (screen.cardAddress < 0 || screen.cardAddress > 0xFFFF) return false;
    if (screen.cardType < 0 || screen.cardType > 0xFFFF) return false;
    const auto address = static_cast<std::uint16_t>(screen.cardAddress);
    const auto model = static_cast<std::uint16_t>(screen.cardType);
    tk::SystemLinkClock clock;
    if (screen.Network()) {
        tk::UdpLink link;
        if (!link.Open(screen.ip, screen.netPort)) return false;
        return tk::SetControllerClock(link, clock, address, model, g_sequence);
    }
    tk::SerialLink link;
    if (!link.Open(screen.serialNum, screen.serialBaud)) return false;
    return tk::SetControllerClock(link, clock, address, model, g_sequence);
}

// Holds the library's lock for one call.
class LockGuard {
public:
    LockGuard() { AcquireSRWLockExclusive(&g_lock); }
    ~LockGuard() { ReleaseSRWLockExclusive(&g_lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

}  // namespace

// Only the module handle is kept here: no file or socket work may happen under the loader lock.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" int TK100_DLL_CALL User_AdjustTime(int screenNumber) {
    try {
        LockGuard lock;
        if (!g_loaded) LoadSettings();
        const tk::ScreenSection* screen = g_settings.Screen(screenNumber);
        return screen != nullptr && AdjustScreen(*screen) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int TK100_DLL_CALL User_ReloadIniFile(void) {
    try {
        LockGuard lock;
        LoadSettings();
        return 1;
    } catch (...) {
        return 0;
    }
}
