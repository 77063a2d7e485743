#include "ui/main/single_instance.h"

// After windows.h (single_instance.h), which it needs.
#include <sddl.h>

#include <cstdint>
#include <vector>

#include "core/base/failure_report.h"

namespace tk::ui {

namespace {

// Memory the system handed over with LocalAlloc (texts and descriptors of the SDDL functions).
template <typename T>
struct LocalMemoryTraits : NullHandleTraits<T> {
    static void Close(T memory) noexcept { ::LocalFree(memory); }
};

constexpr char kSectionPrefix[] = "Local\\TKAdjustTime-";

// Appends value as digits hexadecimal digits.
void AppendHex(std::string& text, uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text += "0123456789abcdef"[(value >> shift) & 0xF];
    }
}

// Name of the section by the text of settingsPath: a 64-bit FNV-1a hash of the path's UTF-16
// units in upper case, as the file system compares names. A hash, since a name may hold no
// further backslash and a path can be longer than a name.
std::string NameByPathText(const std::string& settingsPath) {
    const int size = static_cast<int>(settingsPath.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, settingsPath.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, settingsPath.data(), size, wide.data(), length);
    ::CharUpperBuffW(wide.data(), static_cast<DWORD>(length));
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : wide) {
        hash ^= static_cast<uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    std::string name = kSectionPrefix;
    AppendHex(name, hash, 16);
    return name;
}

// Name of the section for the folder of settingsPath: its volume's serial number and its file
// index, the same through every path that reaches it. A folder that cannot be opened is named
// by the path's text, as it was before.
std::string SectionName(const std::string& settingsPath) {
    const std::string folder = settingsPath.substr(0, settingsPath.find_last_of("\\/") + 1);
    // Backup semantics: the only way CreateFile opens a folder; it follows links and junctions.
    const UniqueFile handle(::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.Get(), &info)) {
        tk::ReportFailure("identifying the settings folder");
        return NameByPathText(settingsPath);
    }
    std::string name = kSectionPrefix;
    AppendHex(name, info.dwVolumeSerialNumber, 8);
    name += '-';
    AppendHex(name, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, 16);
    return name;
}

// The account running this process as an SDDL text ("S-1-5-21-..."); empty on failure.
std::string UserSidText() {
    UniqueKernelHandle token;
    DWORD size = 0;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    }
    std::vector<BYTE> user(size);
    UniqueAny<LocalMemoryTraits<char*>> text;
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size) ||
        !::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                  text.Put())) {
        return {};
    }
    return text.Get();
}

// Security of the section. With the default access list of an elevated token, an elevated
// copy's section would be open to the administrators and the system only, and an ordinary
// start of the same user could not even find out that the copy runs. The account gets all
// access, elevated or not; the label is medium, so an ordinary start is not held off by the
// elevated copy's integrity level either.
class SectionSecurity {
public:
    SectionSecurity() {
        const std::string user = UserSidText();
        const std::string sddl = "D:P(A;;GA;;;" + user + ")S:(ML;;NW;;;ME)";
        if (user.empty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorA(
                                sddl.c_str(), SDDL_REVISION_1, m_descriptor.Put(), nullptr)) {
            tk::ReportFailure("building the access list of the running copy's section");
            return;
        }
        m_attributes.lpSecurityDescriptor = m_descriptor.Get();
    }

    // Null (the default security) when the access list could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    UniqueAny<LocalMemoryTraits<PSECURITY_DESCRIPTOR>> m_descriptor;
    SECURITY_ATTRIBUTES m_attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// The running copy to wake and the message that asks for its window.
struct ComeBackRequest {
    DWORD processId;
    UINT message;
};

// EnumWindows callback of WakeFirst: posts the request to each top-level window of the process
// (only the main window answers it).
BOOL CALLBACK PostComeBack(HWND window, LPARAM request) {
    const auto& to = *reinterpret_cast<const ComeBackRequest*>(request);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == to.processId) ::PostMessageA(window, to.message, 0, 0);
    return TRUE;
}

}  // namespace

HANDLE CreateSection(SECURITY_ATTRIBUTES* security, const char* name) {
    return ::CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0, sizeof(DWORD),
                                name);
}

// A section that cannot be had at all leaves the program running unguarded, as it did before.
SingleInstance::SingleInstance(const std::string& settingsPath, SectionCreator create,
                               ForegroundGrant grant)
    : m_grant(grant) {
    const std::string name = SectionName(settingsPath);
    SectionSecurity security;
    HANDLE section = create(security.Attributes(), name.c_str());
    const DWORD error = ::GetLastError();
    if (section == nullptr && error == ERROR_ACCESS_DENIED) {
        // The section exists, made by a copy with other rights than this start's (elevated)
        // under a stricter access list: that copy runs. Reading its process ID is enough.
        m_first = false;
        m_section.Reset(::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
        if (!m_section) tk::ReportFailure("opening the section of the running copy");
        return;
    }
    if (section == nullptr) {
        tk::ReportFailure("creating the section of the running copy");
        return;
    }
    m_section.Reset(section);
    m_first = error != ERROR_ALREADY_EXISTS;
    if (!m_first) return;
    void* view = ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(DWORD));
    if (view == nullptr) {
        tk::ReportFailure("writing the running copy's process ID");
        return;
    }
    *static_cast<volatile DWORD*>(view) = ::GetCurrentProcessId();
    ::UnmapViewOfFile(view);
}

// A first copy that has not written its ID yet (0) is only just starting: its window will show
// on its own.
void SingleInstance::WakeFirst() const {
    if (!m_section) return;
    const void* view = ::MapViewOfFile(m_section.Get(), FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (view == nullptr) {
        tk::ReportFailure("reading the running copy's process ID");
        return;
    }
    const DWORD processId = *static_cast<const volatile DWORD*>(view);
    ::UnmapViewOfFile(view);
    if (processId == 0) return;
    // This process, just started by the user, may hand its right to the foreground on.
    m_grant(processId);
    const ComeBackRequest request{processId, ::RegisterWindowMessageA(kComeBackMessageName)};
    ::EnumWindows(PostComeBack, reinterpret_cast<LPARAM>(&request));
}

}  // namespace tk::ui
