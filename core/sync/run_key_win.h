// Windows only: the Run key in the registry, behind IRunKey.
#pragma once

#include <string>
#include <utility>

#include "core/sync/autostart.h"
#include "core/base/unique_handle_win.h"

namespace tk {

inline constexpr char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A key under HKEY_CURRENT_USER (the Run key unless told otherwise) through the registry API.
class RegistryRunKey final : public IRunKey {
public:
    explicit RegistryRunKey(std::string subKey = kRunKeyPath) : m_subKey(std::move(subKey)) {}
    bool Open() override;
    bool SetValue(const std::string& name, const std::string& data) override;
    bool DeleteValue(const std::string& name) override;
    void Close() override { m_key.Reset(); }

private:
    std::string m_subKey;
    UniqueRegKey m_key;
};

}  // namespace tk
