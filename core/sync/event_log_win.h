// Windows only: the program's events in the Application log through the event log API, and its
// source's registration under HKEY_LOCAL_MACHINE.
#pragma once

#include <functional>
#include <string>

#include "core/base/footprint.h"
#include "core/base/unique_handle_win.h"
#include "core/sync/event_source.h"
#include "core/sync/pass_events.h"

namespace tk {

// A value the registration writes, as RegSetValueExW takes it.
using RegistryWriteHook = std::function<LSTATUS(HKEY key, const wchar_t* name, DWORD type,
                                                const BYTE* data, DWORD bytes)>;

// Puts hook in place of the registration's RegSetValueExW and hands back the one it replaces;
// an empty one brings back the real call. The system adds a string's terminating zero that the
// byte count leaves out, so only the call shows that count (tests record it and pass it on).
RegistryWriteHook SetRegistryWriteHook(RegistryWriteHook hook);

// The source's key with the values footprint.h lists (EventSourceValues): EventMessageFile
// naming messageFile (the executable, whose message table holds the texts) and TypesSupported.
// The path is taken in UTF-16, for one that the ANSI code page cannot spell.
class EventSourceRegistry final : public IEventSourceRegistry {
public:
    EventSourceRegistry(const std::string& source, std::wstring messageFile);
    SourceRegistration Registration() override;
    bool Elevated() override;
    bool Register() override;
    // Removes the source's key when its message file is this object's (whatever the types);
    // found: what the key named. 0 or the error of the removal.
    LSTATUS Unregister(SourceRegistration& found);

private:
    std::wstring m_keyPath;
    std::wstring m_messageFile;
};

// A handle from RegisterEventSourceW.
struct EventSourceTraits : NullHandleTraits<HANDLE> {
    static void Close(HANDLE handle) noexcept { ::DeregisterEventSource(handle); }
};

// Writes each event with ReportEventW, its strings turned from GBK into UTF-16. The source is
// opened at the first event and kept; a source that could not be opened is tried again at the
// next.
class WindowsEventLog final : public IEventLog {
public:
    explicit WindowsEventLog(const std::string& source = kEventSourceName);
    bool Report(EventType type, int id, const std::vector<std::string>& strings,
                std::string* why) override;

private:
    std::wstring m_name;
    UniqueAny<EventSourceTraits> m_source;
};

}  // namespace tk
