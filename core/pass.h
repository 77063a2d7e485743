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

// The main window's status line.
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

// The main window around a manual pass.
class IManualPassView {
public:
    virtual ~IManualPassView() = default;
    // true: a manual pass begins, and every control that could start another action or change
    // the settings meanwhile is disabled; false: it has ended, and they are enabled again.
    virtual void ShowManualPassRunning(bool running) = 0;
};

// Scheduler state shared by the pass, the timers and the start/stop button.
struct SyncState {
    int32_t running = 0;       // automatic synchronisation switched on
    int32_t busy = 0;          // a pass is in progress
    int64_t elapsed = 0;       // seconds counted since the last pass began or the last switch
    int64_t interval = 10000;  // seconds between passes
};

// What a pass works with.
struct PassServices {
    IControllerLibrary& library;
    IProbe& probe;
    IStatusView& status;
    IMessagePump& pump;
};

// One synchronisation pass over the roster.
void RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services);

// The manual button: the window shows the pass running, the pass runs, the window shows it over.
void RunManualPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   IManualPassView& view);

}  // namespace tk
