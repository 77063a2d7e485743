// The program's event source in the registry, which Event Viewer reads to find the texts of its
// events (the executable's message table). Only an administrator may write it; without it the
// events are written all the same, and Event Viewer shows their strings under a note that it
// cannot find their description.
#pragma once

namespace tk {

// What the registry says of the source.
enum class SourceRegistration {
    kMissing,      // no key, or one without a message file
    kThisProgram,  // this executable, and every event type
    kOtherPath,    // another executable (a copy moved or run from elsewhere), or other types
};

// The source's entry in the registry (event_log_win.cpp: under HKEY_LOCAL_MACHINE).
class IEventSourceRegistry {
public:
    virtual ~IEventSourceRegistry() = default;
    virtual SourceRegistration Registration() = 0;
    // The process runs with administrator rights (elevated where the system splits them).
    virtual bool Elevated() = 0;
    // Names this executable as the message file, for every event type; false on failure.
    virtual bool Register() = 0;
};

// Registers the source when it is missing or names another executable, if the process may;
// true when it did.
bool EnsureEventSource(IEventSourceRegistry& registry);

}  // namespace tk
