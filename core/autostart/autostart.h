#pragma once

#include <string>

#include "core/store/profile.h"

namespace tk {

// The per-user Run key of the registry, through which Windows starts programs at logon.
class IRunKey {
public:
    virtual ~IRunKey() = default;
    // Opens the existing key to read and set its values; never creates it. False when it cannot
    // be opened.
    virtual bool Open() = 0;
    // Sets the text value name (empty: the key's unnamed value) to data; false on failure.
    virtual bool SetValue(const std::string& name, const std::string& data) = 0;
    // Deletes the value name; true also when no such value exists, false on any other failure.
    virtual bool DeleteValue(const std::string& name) = 0;
    // Closes the key if it is open.
    virtual void Close() = 0;
};

// What a click of the start-with-Windows box works with.
struct AutostartServices {
    IProfile& settings;
    IRunKey& runKey;
};

// What the status line says after a click: its text, in green or red.
struct AutostartReport {
    bool good = false;
    std::string text;
    std::string notSaved;  // why bStart could not be written; empty when it was
};

inline constexpr char kAutostartSetText[] = "状态：设置自动启动成功！";
inline constexpr char kAutostartSetFailedText[] = "状态：设置自动启动失败！";
inline constexpr char kAutostartClearedText[] = "状态：关闭自动启动成功！";
inline constexpr char kAutostartClearFailedText[] = "状态：关闭自动启动失败！";

// Click of the start-with-Windows check box with its state (nonzero: ticked): records the choice as
// bStart, then adds or removes the executable's Run value (footprint.h: RunValue); returns what
// the status line says.
AutostartReport ApplyStartWithWindows(int state, const std::string& modulePath,
                                      const AutostartServices& services);

}  // namespace tk
