#pragma once

#include <cstdint>
#include <string>

#include "core/roster.h"

namespace tk {

// The two calls the tool makes into the controller library.
class IControllerLibrary {
public:
    virtual ~IControllerLibrary() = default;
    virtual int AdjustTime(int screenNumber) = 0;  // nonzero: the screen's clock was set
    virtual void ReloadIniFile() = 0;
};

// Reachability check of a network screen's address text.
class IProbe {
public:
    virtual ~IProbe() = default;
    virtual bool Probe(const char* host) = 0;
};

// The status line (control 1007).
class IStatusView {
public:
    virtual ~IStatusView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
};

// Lets at most one pending window message through (removed, translated, dispatched).
class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    virtual void PumpOne() = 0;
};

// Enables or disables one control of the main window by ID.
class IControlEnabler {
public:
    virtual ~IControlEnabler() = default;
    virtual void EnableControl(int id, bool enable) = 0;
};

// Scheduler state shared by the pass, the timers and the start/stop button.
struct SyncState {
    int32_t running = 0;       // automatic synchronisation switched on
    int32_t busy = 0;          // a pass is in progress
    int64_t elapsed = 0;       // seconds counted since the last pass began or the last switch
    int64_t interval = 10000;  // seconds between passes
};

struct PassPorts {
    IControllerLibrary& library;
    IProbe& probe;
    IStatusView& status;
    IMessagePump& pump;
};

// One synchronisation pass over the roster.
void RunPass(const ScreenRoster& roster, SyncState& state, const PassPorts& ports);

// Controls disabled (in this order) around a manual pass and enabled again (same order).
inline constexpr int kManualPassControls[] = {1019, 1005, 1006, 1002, 1000, 1008};

// The manual button: disable the controls above, run a pass, enable them again.
void RunManualPass(const ScreenRoster& roster, SyncState& state, const PassPorts& ports,
                   IControlEnabler& controls);

}  // namespace tk
