// What the program leaves outside its folder, and the name of the one file beside it that it
// shares with the controller library: the registry values it writes, as data (key, value name,
// type and data, from the installed executable's path), so that the program, its tests and an
// installer write the same values and can print them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tk {

// The settings file, beside the executable (and the controller library, which reads it too).
inline constexpr char kSettingsFileName[] = "TK100_Dll_Set.ini";
// The controller library beside the executable, which the program loads by this name; and the
// stand-in an installer puts beside it under a name of its own, which /register copies to the
// library's name only when no library is there.
inline constexpr char kControllerLibraryName[] = "TK100_Dll.dll";
inline constexpr char kStandInLibraryName[] = "TK100_Dll.standin.dll";

// The registry's roots the program writes under.
enum class RegistryRoot {
    kLocalMachine,  // HKLM
    kCurrentUser,   // HKCU
};

// Types of registry values, numbered as the registry numbers them.
enum class RegistryType : std::uint32_t {
    kString = 1,        // REG_SZ
    kExpandString = 2,  // REG_EXPAND_SZ
    kNumber = 4,        // REG_DWORD
};

// One registry value: its texts are the system's ANSI bytes (GBK), as the executable's path is.
struct RegistryValue {
    RegistryRoot root = RegistryRoot::kCurrentUser;
    std::string key;   // below root
    std::string name;  // empty: the key's unnamed value
    RegistryType type = RegistryType::kString;
    std::string text;          // data of the string types
    std::uint32_t number = 0;  // data of kNumber
};

// The event source: the Application log's source under the program's own name, whatever the
// executable is called, whose key names the executable as the file of the events' texts.
inline constexpr char kEventSourceName[] = "TKAdjustTime";
inline constexpr RegistryRoot kEventSourceRoot = RegistryRoot::kLocalMachine;
inline constexpr char kEventSourcesKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
inline constexpr char kEventMessageFileValue[] = "EventMessageFile";
inline constexpr RegistryType kEventMessageFileType = RegistryType::kExpandString;
inline constexpr char kEventTypesValue[] = "TypesSupported";
// Error, warning and information: every type the program writes.
inline constexpr std::uint32_t kEventTypesSupported = 7;

// The key of the event source (the program's unless told another, which tests use).
std::string EventSourceKey(const std::string& source = kEventSourceName);

// The event source's values for the executable at exePath: its message file, then its types.
std::vector<RegistryValue> EventSourceValues(const std::string& exePath,
                                             const std::string& source = kEventSourceName);

// Start with Windows: a value of the current user's Run key.
inline constexpr RegistryRoot kRunRoot = RegistryRoot::kCurrentUser;
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr RegistryType kRunValueType = RegistryType::kString;

// Name of the Run value for the executable at exePath: the last component of its folder, empty
// when the folder is a drive root.
std::string RunValueName(const std::string& exePath);

// Data of the Run value: the executable's path, quoted when it contains a space.
std::string RunValueData(const std::string& exePath);

// The Run value for the executable at exePath.
RegistryValue RunValue(const std::string& exePath);

// One value as a line of four tab-separated fields: root and key ("HKLM\SYSTEM\..."), name,
// type ("REG_SZ", "REG_EXPAND_SZ", "REG_DWORD") and data (a number in decimal).
std::string RegistryValueLine(const RegistryValue& value);

}  // namespace tk
