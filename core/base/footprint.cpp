#include "core/base/footprint.h"

#include <string_view>

#include "core/base/path_text.h"

namespace tk {

namespace {

const char* RootName(RegistryRoot root) {
    return root == RegistryRoot::kLocalMachine ? "HKLM" : "HKCU";
}

const char* TypeName(RegistryType type) {
    switch (type) {
        case RegistryType::kExpandString:
            return "REG_EXPAND_SZ";
        case RegistryType::kNumber:
            return "REG_DWORD";
        case RegistryType::kString:
            break;
    }
    return "REG_SZ";
}

}  // namespace

std::string EventSourceKey(const std::string& source) {
    return std::string(kEventSourcesKey) + "\\" + source;
}

// REG_EXPAND_SZ, as the event log service's own sources have it; the path itself is written as
// it is.
std::vector<RegistryValue> EventSourceValues(const std::string& exePath,
                                             const std::string& source) {
    const std::string key = EventSourceKey(source);
    return {
        {kEventSourceRoot, key, kEventMessageFileValue, kEventMessageFileType, exePath, 0},
        {kEventSourceRoot, key, kEventTypesValue, RegistryType::kNumber, {}, kEventTypesSupported},
    };
}

// The component between the last two backslashes of the path. The name comes from the
// executable's own folder, not the current one: a program started at logon runs in the system
// directory, and file dialogs move the current directory.
std::string RunValueName(const std::string& exePath) {
    const std::string::size_type last = LastSeparator(exePath, kBackslash);
    if (last == std::string::npos) return "";
    const std::string_view folder = std::string_view(exePath).substr(0, last);
    if (LastSeparator(folder, kBackslash) == std::string::npos) return "";
    const std::string name = NameOf(folder, kBackslash);
    // "C:" of "\\?\C:\TK.exe" names a drive root, whose value is the key's unnamed one.
    if (!name.empty() && name.back() == ':') return "";
    return name;
}

// Windows splits an unquoted command line at the first space and could run "C:\Program.exe"
// for "C:\Program Files\...", so such a path goes in quotes.
std::string RunValueData(const std::string& exePath) {
    if (exePath.find(' ') == std::string::npos) return exePath;
    return "\"" + exePath + "\"";
}

RegistryValue RunValue(const std::string& exePath) {
    return {kRunRoot, kRunKey, RunValueName(exePath), kRunValueType, RunValueData(exePath), 0};
}

std::string RegistryValueLine(const RegistryValue& value) {
    const std::string data =
        value.type == RegistryType::kNumber ? std::to_string(value.number) : value.text;
    return std::string(RootName(value.root)) + "\\" + value.key + "\t" + value.name + "\t" +
           TypeName(value.type) + "\t" + data;
}

}  // namespace tk
