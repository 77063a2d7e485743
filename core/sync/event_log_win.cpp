#include "core/sync/event_log_win.h"

#include <utility>
#include <vector>

#include "core/base/call_hook.h"
#include "core/base/failure_report.h"
#include "core/base/footprint_win.h"
#include "core/base/gbk_utf16_win.h"

namespace tk {

namespace {

// The registration's RegSetValueExW; tests put a recorder in place.
CallHook<LSTATUS(HKEY, const wchar_t*, DWORD, const BYTE*, DWORD)>& WriteHook() {
    static CallHook<LSTATUS(HKEY, const wchar_t*, DWORD, const BYTE*, DWORD)> hook;
    return hook;
}

// RegSetValueExW, or the stand-in a test put in place.
LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) {
    return WriteHook().Call([](HKEY k, const wchar_t* n, DWORD t, const BYTE* d,
                               DWORD b) { return ::RegSetValueExW(k, n, 0, t, d, b); },
                            key, name, type, data, bytes);
}

WORD TypeOf(EventType type) {
    switch (type) {
        case EventType::kError:
            return EVENTLOG_ERROR_TYPE;
        case EventType::kWarning:
            return EVENTLOG_WARNING_TYPE;
        case EventType::kInformation:
            break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

// A registry call's result is its error; the note reads the last error.
bool Succeeded(LSTATUS status, const char* what) {
    if (status == ERROR_SUCCESS) return true;
    ::SetLastError(static_cast<DWORD>(status));
    ReportFailure(what);
    ::SetLastError(static_cast<DWORD>(status));  // for the caller that reports the code
    return false;
}

// A REG_EXPAND_SZ path ("%SystemRoot%\...") as the event log service reads it.
std::wstring Expanded(const std::wstring& path) {
    const DWORD size = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::wstring expanded(size, L'\0');
    const DWORD written = ::ExpandEnvironmentStringsW(path.c_str(), expanded.data(), size);
    if (written == 0 || written > size) return path;
    expanded.resize(written - 1);
    return expanded;
}

// The source's key opened for reading; empty when there is none.
UniqueRegKey OpenForReading(const std::wstring& keyPath) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(RootKey(kEventSourceRoot), keyPath.c_str(), 0, KEY_QUERY_VALUE,
                        key.Put()) != ERROR_SUCCESS) {
        key.Release();  // nothing was opened, whatever the slot now holds
    }
    return key;
}

// The message file the key names, expanded: REG_SZ or REG_EXPAND_SZ, as the event log service
// takes either. False when there is no such value.
bool MessageFileOf(HKEY key, std::wstring& path) {
    const std::wstring fileValue = WideName(kEventMessageFileValue);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, fileValue.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, fileValue.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS) {
        return false;
    }
    path = value.data();
    if (type == REG_EXPAND_SZ) path = Expanded(path);
    return true;
}

// Every event type the program writes.
bool AllTypesOf(HKEY key) {
    DWORD type = 0;
    DWORD types = 0;
    DWORD bytes = sizeof types;
    return ::RegQueryValueExW(key, WideName(kEventTypesValue).c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(&types), &bytes) == ERROR_SUCCESS &&
           type == REG_DWORD && types == kEventTypesSupported;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// Installs a stand-in (tests) and hands back the one it replaces.
RegistryWriteHook SetRegistryWriteHook(RegistryWriteHook hook) {
    return WriteHook().Set(std::move(hook));
}

EventSourceRegistry::EventSourceRegistry(const std::string& source, std::wstring messageFile)
    : m_keyPath(WideName(EventSourceKey(source))), m_messageFile(std::move(messageFile)) {}

// Paths name the same file whatever their case, as the file system takes them.
SourceRegistration EventSourceRegistry::Registration() {
    const UniqueRegKey key = OpenForReading(m_keyPath);
    std::wstring path;
    if (!key || !MessageFileOf(key.Get(), path)) return SourceRegistration::kMissing;
    return SamePath(path, m_messageFile) && AllTypesOf(key.Get()) ? SourceRegistration::kThisProgram
                                                                  : SourceRegistration::kOtherPath;
}

// A key that names another executable is that one's (a copy installed elsewhere) and stays.
LSTATUS EventSourceRegistry::Unregister(SourceRegistration& found) {
    std::wstring path;
    {
        const UniqueRegKey key = OpenForReading(m_keyPath);
        if (!key || !MessageFileOf(key.Get(), path)) {
            found = SourceRegistration::kMissing;
            return ERROR_SUCCESS;
        }
    }
    if (!SamePath(path, m_messageFile)) {
        found = SourceRegistration::kOtherPath;
        return ERROR_SUCCESS;
    }
    found = SourceRegistration::kThisProgram;
    const LSTATUS status = ::RegDeleteKeyW(RootKey(kEventSourceRoot), m_keyPath.c_str());
    Succeeded(status, "removing the event source's key");
    return status;
}

// The token says whether it is elevated; without user account control an administrator's
// token is.
bool EventSourceRegistry::Elevated() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        token.Release();
        ReportFailure("opening the process token");
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size)) {
        ReportFailure("reading the token's elevation");
        return false;
    }
    return elevation.TokenIsElevated != 0;
}

// The values' names and types are footprint.h's; the path is this object's, in UTF-16.
bool EventSourceRegistry::Register() {
    UniqueRegKey key;
    if (!Succeeded(::RegCreateKeyExW(RootKey(kEventSourceRoot), m_keyPath.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, key.Put(), nullptr),
                   "creating the event source's key")) {
        key.Release();
        return false;
    }
    const auto pathBytes = static_cast<DWORD>((m_messageFile.size() + 1) * sizeof(wchar_t));
    const DWORD types = kEventTypesSupported;
    return Succeeded(SetValue(key.Get(), WideName(kEventMessageFileValue).c_str(),
                              RegType(kEventMessageFileType),
                              reinterpret_cast<const BYTE*>(m_messageFile.c_str()), pathBytes),
                     "writing the event source's message file") &&
           Succeeded(SetValue(key.Get(), WideName(kEventTypesValue).c_str(),
                              RegType(RegistryType::kNumber), reinterpret_cast<const BYTE*>(&types),
                              sizeof types),
                     "writing the event source's types");
}

WindowsEventLog::WindowsEventLog(const std::string& source) : m_name(WideName(source)) {}

bool WindowsEventLog::Report(EventType type, int id, const std::vector<std::string>& strings,
                             std::string* why) {
    if (!m_source) m_source.Reset(::RegisterEventSourceW(nullptr, m_name.c_str()));
    if (!m_source) {
        if (why != nullptr) *why = LastErrorText();
        ReportFailure("opening the event source");
        return false;
    }
    std::vector<std::wstring> wide;
    wide.reserve(strings.size());
    // The texts are GBK whatever the system's ANSI code page; a byte that is no GBK character
    // becomes what code page 936 makes of it rather than losing the whole string.
    for (const std::string& text : strings) {
        wide.push_back(Utf16FromGbk(text, BadGbkByte::kCodePage));
    }
    std::vector<LPCWSTR> pointers;
    for (const std::wstring& text : wide) pointers.push_back(text.c_str());
    if (!::ReportEventW(m_source.Get(), TypeOf(type), 0, static_cast<DWORD>(id), nullptr,
                        static_cast<WORD>(pointers.size()), 0, pointers.data(), nullptr)) {
        if (why != nullptr) *why = LastErrorText();
        ReportFailure("writing an event");
        return false;
    }
    return true;
}

}  // namespace tk
