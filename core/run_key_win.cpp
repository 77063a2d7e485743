#include <windows.h>

#include <limits>

#include "core/module_path_win.h"
#include "core/run_key.h"

namespace tk {

void RegKeyCloser::operator()(HKEY__* key) const noexcept { RegCloseKey(key); }

// Opens, never creates: KEY_ALL_ACCESS as the key has always been asked for.
bool RegistryRunKey::Open() {
    HKEY key = nullptr;
    m_key.reset();
    if (RegOpenKeyExA(HKEY_CURRENT_USER, m_subKey.c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    m_key.reset(key);
    return true;
}

// REG_SZ of exactly the text and its terminating zero, whatever its length.
bool RegistryRunKey::SetValue(const std::string& name, const std::string& data) {
    if (!m_key || data.size() >= std::numeric_limits<DWORD>::max()) return false;
    const auto size = static_cast<DWORD>(data.size() + 1);
    return RegSetValueExA(m_key.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), size) == ERROR_SUCCESS;
}

bool RegistryRunKey::DeleteValue(const std::string& name) {
    return m_key && RegDeleteValueA(m_key.get(), name.c_str()) == ERROR_SUCCESS;
}

std::string ExecutablePath() { return ModuleFilePath(nullptr); }

}  // namespace tk
