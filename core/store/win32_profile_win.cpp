#include "core/store/win32_profile_win.h"

#include <windows.h>

namespace tk {

int Win32Profile::GetInt(const char* section, const char* key, int def) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, m_path.c_str()));
}

unsigned Win32Profile::GetString(const char* section, const char* key, const char* def, char* buf,
                                 unsigned size) {
    return GetPrivateProfileStringA(section, key, def, buf, size, m_path.c_str());
}

bool Win32Profile::WriteString(const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, m_path.c_str()) != FALSE;
}

}  // namespace tk
