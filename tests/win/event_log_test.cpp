// The events' texts in TKAdjustTime.exe's message table, formatted as Event Viewer formats an
// event's strings into them, in Chinese and English; and the event source's registration in the
// real registry, under a source name of the test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/base/unique_handle_win.h"
#include "core/sync/event_log_win.h"
#include "core/sync/pass_events.h"
#include "events.h"
#include "tests/win/process_util.h"

namespace {

// The program's IDs are the message table's.
static_assert(TK_EVENT_PROGRAM_STARTED == tk::kEventProgramStarted);
static_assert(TK_EVENT_EVERY_SCREEN_SET == tk::kEventEveryScreenSet);
static_assert(TK_EVENT_SCREENS_FAILED == tk::kEventScreensFailed);
static_assert(TK_EVENT_CLOCK_REFUSED == tk::kEventClockRefused);
static_assert(TK_EVENT_SETTING_NOT_SAVED == tk::kEventSettingNotSaved);
static_assert(TK_EVENT_FOLDER_NOT_WRITABLE == tk::kEventFolderNotWritable);

const std::string kExe = tk_test::WindowsPath(TK_TEST_EXE_PATH);
constexpr WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The message's text with two strings put in; "<none>" when the module has no such message.
std::wstring Message(HMODULE module, int id, WORD language) {
    // The array form takes the strings as pointer-sized arguments.
    DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(L"甲"),
                           reinterpret_cast<DWORD_PTR>(L"乙\r\n丙")};
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                             FORMAT_MESSAGE_ALLOCATE_BUFFER,
                         module, static_cast<DWORD>(id), language,
                         reinterpret_cast<wchar_t*>(&text), 0, reinterpret_cast<va_list*>(strings));
    const std::wstring message = length > 0 ? std::wstring(text, length) : L"<none>";
    ::LocalFree(text);
    return message;
}

// The number of entries of the message table in a language, or -1 when one is not UTF-16 (the
// system would turn it through the reader's ANSI code page).
int UnicodeEntries(HMODULE module, WORD language) {
    const HRSRC found = ::FindResourceExA(module, RT_MESSAGETABLE, MAKEINTRESOURCEA(1), language);
    const auto* table = static_cast<const MESSAGE_RESOURCE_DATA*>(
        found != nullptr ? ::LockResource(::LoadResource(module, found)) : nullptr);
    if (table == nullptr) return 0;
    int entries = 0;
    for (DWORD b = 0; b < table->NumberOfBlocks; ++b) {
        const MESSAGE_RESOURCE_BLOCK& block = table->Blocks[b];
        const BYTE* at = reinterpret_cast<const BYTE*>(table) + block.OffsetToEntries;
        for (DWORD id = block.LowId; id <= block.HighId; ++id, ++entries) {
            const auto* entry = reinterpret_cast<const MESSAGE_RESOURCE_ENTRY*>(at);
            if (entry->Flags != MESSAGE_RESOURCE_UNICODE) return -1;
            at += entry->Length;
        }
    }
    return entries;
}

TEST(EventMessages, EveryEventInChineseAndEnglish) {
    const HMODULE exe = ::LoadLibraryExA(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << kExe;
    const struct {
        int id;
        const wchar_t* chinese;
        const wchar_t* english;
    } cases[] = {
        {tk::kEventProgramStarted, L"TK自动校时已启动，版本甲。首次校时：乙\r\n丙",
         L"TK AdjustTime 甲 started. Its first pass: 乙\r\n丙"},
        {tk::kEventEveryScreenSet, L"所有屏幕重新校时成功：甲", L"Every screen was set again: 甲"},
        {tk::kEventScreensFailed,
         L"有屏幕校时失败：甲\r\n失败的屏（屏号、地址、原因）：\r\n乙\r\n丙",
         L"Screens were not set: 甲\r\nFailed screens (number, address, reason):\r\n乙\r\n丙"},
        {tk::kEventClockRefused, L"电脑时间有误，本次未校时任何屏幕：甲\r\n乙\r\n丙",
         L"The PC's clock is wrong; the pass set no screen: 甲\r\n乙\r\n丙"},
        {tk::kEventSettingNotSaved, L"设置无法保存到甲：乙\r\n丙",
         L"A setting could not be saved to 甲: 乙\r\n丙"},
        {tk::kEventFolderNotWritable, L"程序所在文件夹不可写，设置和日志无法保存：甲：乙\r\n丙",
         L"The program's folder cannot be written, so its settings and log cannot be saved: "
         L"甲: 乙\r\n丙"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message(exe, c.id, kChinese), c.chinese) << c.id;
        EXPECT_EQ(Message(exe, c.id, kEnglish), c.english) << c.id;
    }
    EXPECT_EQ(Message(exe, 999, kChinese), L"<none>");
    EXPECT_EQ(UnicodeEntries(exe, kChinese), 6);
    EXPECT_EQ(UnicodeEntries(exe, kEnglish), 6);
    ::FreeLibrary(exe);
}

const char kSource[] = "TKAdjustTimeTest";
// The source's key, spelt out here so that a wrong key in the program fails the test.
const std::wstring kKey =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TKAdjustTimeTest";
const wchar_t kProgram[] = L"C:\\Tools\\TK\\TKAdjustTime.exe";

// What the source's key holds: no key, or the message file with its type and the types.
struct KeyValues {
    bool key = false;
    DWORD fileType = REG_NONE;  // REG_NONE: no message file
    const wchar_t* file = L"";
    DWORD types = 0;  // 0: none
};

// The values as one text, to compare and to show; fileBytes is the message file's size.
std::wstring Describe(bool key, DWORD fileType, const std::wstring& file, DWORD fileBytes,
                      DWORD types) {
    if (!key) return L"no key";
    return L"type " + std::to_wstring(fileType) + L" file " + file + L" bytes " +
           std::to_wstring(fileBytes) + L" types " + std::to_wstring(types);
}

// Writes the values, or removes the key.
void Prepare(const KeyValues& v) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey.c_str());
    if (!v.key) return;
    tk::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    if (v.fileType == REG_DWORD) {
        const DWORD number = 1;
        ::RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else if (v.fileType != REG_NONE) {
        ::RegSetValueExW(key.Get(), L"EventMessageFile", 0, v.fileType,
                         reinterpret_cast<const BYTE*>(v.file),
                         static_cast<DWORD>((wcslen(v.file) + 1) * sizeof(wchar_t)));
    }
    if (v.types != 0) {
        ::RegSetValueExW(key.Get(), L"TypesSupported", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&v.types), sizeof v.types);
    }
}

// As Prepare writes them: a text with its terminating zero, a number in four bytes.
std::wstring Described(const KeyValues& v) {
    const DWORD bytes = v.fileType == REG_NONE ? 0
                        : v.fileType == REG_DWORD
                            ? 4
                            : static_cast<DWORD>((wcslen(v.file) + 1) * sizeof(wchar_t));
    return Describe(v.key, v.fileType, v.file, bytes, v.types);
}

// What the key holds now (a message file that is no text shows as empty).
std::wstring Read() {
    tk::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS) {
        key.Release();
        return Describe(false, REG_NONE, L"", 0, 0);
    }
    DWORD fileType = REG_NONE;
    wchar_t file[MAX_PATH] = {};
    DWORD bytes = sizeof file - sizeof(wchar_t);
    if (::RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, &fileType,
                           reinterpret_cast<BYTE*>(file), &bytes) != ERROR_SUCCESS) {
        fileType = REG_NONE;
        bytes = 0;
    }
    if (fileType == REG_DWORD) file[0] = L'\0';
    const DWORD fileBytes = bytes;
    DWORD types = 0;
    bytes = sizeof types;
    ::RegQueryValueExW(key.Get(), L"TypesSupported", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&types), &bytes);
    return Describe(true, fileType, file, fileBytes, types);
}

// What the registration hands RegSetValueExW, one text per value, before the call goes on: the
// system would add a string's terminating zero that the count left out.
class WriteRecorder {
public:
    WriteRecorder() {
        m_previous = tk::SetRegistryWriteHook([this](HKEY key, const wchar_t* name, DWORD type,
                                                     const BYTE* data, DWORD bytes) {
            const std::wstring text =
                type == REG_DWORD
                    ? std::to_wstring(*reinterpret_cast<const DWORD*>(data))
                    : std::wstring(reinterpret_cast<const wchar_t*>(data), bytes / sizeof(wchar_t));
            written.push_back(std::wstring(name) + L" type " + std::to_wstring(type) + L" bytes " +
                              std::to_wstring(bytes) + L" " + text);
            return ::RegSetValueExW(key, name, 0, type, data, bytes);
        });
    }
    ~WriteRecorder() { tk::SetRegistryWriteHook(m_previous); }
    WriteRecorder(const WriteRecorder&) = delete;
    WriteRecorder& operator=(const WriteRecorder&) = delete;
    std::vector<std::wstring> written;

private:
    tk::RegistryWriteHook m_previous;
};

// Wine runs every program as an administrator would: the registration is written where it is
// missing or names another file, and left as it is where it names this one in any case.
TEST(EventSourceRegistry, WrittenWhereMissingOrNamingAnotherFile) {
    using R = tk::SourceRegistration;
    const KeyValues written{true, REG_EXPAND_SZ, kProgram, 7};
    const struct {
        const char* what;
        KeyValues before;
        R registration;  // kThisProgram: left as it is; otherwise written
    } cases[] = {
        {"no key", {}, R::kMissing},
        {"a key without a message file", {true, REG_NONE, L"", 7}, R::kMissing},
        {"a message file that is no text", {true, REG_DWORD, L"", 7}, R::kMissing},
        {"this program", written, R::kThisProgram},
        {"this program in other case, as REG_SZ",
         {true, REG_SZ, L"c:\\tools\\tk\\tkadjusttime.EXE", 7},
         R::kThisProgram},
        {"this program through a variable",
         {true, REG_EXPAND_SZ, L"%SystemDrive%\\Tools\\TK\\TKAdjustTime.exe", 7},
         R::kThisProgram},
        {"a copy elsewhere", {true, REG_EXPAND_SZ, L"D:\\TK\\TKAdjustTime.exe", 7}, R::kOtherPath},
        {"this program, only some types", {true, REG_EXPAND_SZ, kProgram, 1}, R::kOtherPath},
        {"this program, no types", {true, REG_EXPAND_SZ, kProgram, 0}, R::kOtherPath},
    };
    // The path's 28 characters and its terminating zero in 58 bytes, and the types as a number.
    const std::vector<std::wstring> calls = {
        std::wstring(L"EventMessageFile type 2 bytes 58 ") + kProgram + L'\0',
        L"TypesSupported type 4 bytes 4 7"};
    for (const auto& c : cases) {
        Prepare(c.before);
        tk::EventSourceRegistry registry(kSource, kProgram);
        EXPECT_EQ(registry.Registration(), c.registration) << c.what;
        EXPECT_TRUE(registry.Elevated()) << c.what;
        const bool kept = c.registration == R::kThisProgram;
        const WriteRecorder recorder;
        EXPECT_EQ(tk::EnsureEventSource(registry), !kept) << c.what;
        EXPECT_EQ(recorder.written, kept ? std::vector<std::wstring>{} : calls) << c.what;
        EXPECT_EQ(Read(), Described(kept ? c.before : written)) << c.what;
        EXPECT_EQ(registry.Registration(), R::kThisProgram) << c.what;
    }
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey.c_str());
}

}  // namespace
