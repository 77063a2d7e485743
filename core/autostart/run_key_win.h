// Windows only: the Run key in the registry, behind IRunKey.
#pragma once

#include <string>
#include <utility>

#include "core/autostart/autostart.h"
#include "core/base/footprint.h"
#include "core/base/unique_handle_win.h"

namespace tk {

// Opens a registry key as RegOpenKeyExA does (a test's stand-in plays a stricter profile).
using KeyOpener = LSTATUS(WINAPI*)(HKEY parent, LPCSTR path, DWORD options, REGSAM access,
                                   PHKEY key);

// A key under the Run key's root, HKEY_CURRENT_USER (the Run key unless told otherwise), through
// the registry API.
class RegistryRunKey final : public IRunKey {
public:
    explicit RegistryRunKey(std::string subKey = kRunKey, KeyOpener open = ::RegOpenKeyExA)
        : m_subKey(std::move(subKey)), m_open(open) {}
    bool Open() override;
    bool SetValue(const std::string& name, const std::string& data) override;
    bool DeleteValue(const std::string& name) override;
    void Close() override { m_key.Reset(); }

private:
    std::string m_subKey;
    KeyOpener m_open;
    UniqueRegKey m_key;
};

}  // namespace tk
