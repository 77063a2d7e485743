#include "core/autostart/run_key_win.h"

#include <limits>

#include "core/base/footprint_win.h"

namespace tk {

// Opens, never creates, and asks only for what setting and deleting a value need: a profile
// locked down by policy refuses full access to the key (KEY_ALL_ACCESS) where it grants these.
bool RegistryRunKey::Open() {
    if (m_open(RootKey(kRunRoot), m_subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
               m_key.Put()) != ERROR_SUCCESS) {
        m_key.Release();  // nothing was opened, whatever the slot now holds
        return false;
    }
    return true;
}

// The Run value's type (REG_SZ) of exactly the text and its terminating zero, whatever its length.
bool RegistryRunKey::SetValue(const std::string& name, const std::string& data) {
    if (!m_key || data.size() >= std::numeric_limits<DWORD>::max()) return false;
    const auto size = static_cast<DWORD>(data.size() + 1);
    return RegSetValueExA(m_key.Get(), name.c_str(), 0, RegType(kRunValueType),
                          reinterpret_cast<const BYTE*>(data.c_str()), size) == ERROR_SUCCESS;
}

// A value that is not there is as gone as the click asks: removing it succeeds.
bool RegistryRunKey::DeleteValue(const std::string& name) {
    if (!m_key) return false;
    const LSTATUS status = RegDeleteValueA(m_key.Get(), name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace tk
