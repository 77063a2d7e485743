// Windows only: the footprint's roots, types and names as the registry API takes them.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/footprint.h"

namespace tk {

static_assert(static_cast<DWORD>(RegistryType::kString) == REG_SZ);
static_assert(static_cast<DWORD>(RegistryType::kExpandString) == REG_EXPAND_SZ);
static_assert(static_cast<DWORD>(RegistryType::kNumber) == REG_DWORD);

inline HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

inline DWORD RegType(RegistryType type) { return static_cast<DWORD>(type); }

// A key path or value name for the wide functions; the footprint's names are ASCII.
inline std::wstring WideName(const std::string& name) {
    return std::wstring(name.begin(), name.end());
}

}  // namespace tk
