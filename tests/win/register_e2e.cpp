// /register and /unregister with the real TKAdjustTime.exe under Wine, each run in a folder the
// test makes with a copy of the program: the exit code, no window, the event source's key in
// the prefix's registry (saved before and put back after), the settings file, the controller
// library, the log's line. Run by ctest under the lock events-e2e takes, the other user of the
// source's key.
//   register_e2e (TK_TEST_EXE_PATH: the program; TK_TEST_DLL_PATH: the stand-in library)
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/base/footprint.h"
#include "generated/example_settings.h"
#include "tests/win/process_util.h"
#include "tests/win/win_test_util.h"

namespace {

using tk_test::ReadFileBytes;
using tk_test::TempDir;
using tk_test::WriteFileBytes;

const std::string kProgram = tk_test::WindowsPath(TK_TEST_EXE_PATH);
const std::string kStandIn = tk_test::WindowsPath(TK_TEST_DLL_PATH);
constexpr DWORD kTimeoutMs = 30000;
const std::wstring kSourceKey =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TKAdjustTime";
constexpr char kKeyLine[] =
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TKAdjustTime\t";

// GBK text of a UTF-16 one.
std::string Gbk(const std::wstring& wide) {
    std::string text(wide.size() * 2, '\0');
    text.resize(::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()),
                                      text.data(), static_cast<int>(text.size()), nullptr,
                                      nullptr));
    return text;
}

// The source's key as it stands, every value, to put back when the test ends.
class SavedSourceKey {
public:
    SavedSourceKey() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSourceKey.c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        m_existed = true;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD nameLength = 256;
            DWORD type = 0;
            BYTE data[4096];
            DWORD bytes = sizeof data;
            if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &bytes) !=
                ERROR_SUCCESS) {
                break;
            }
            m_values.push_back({name, type, std::string(reinterpret_cast<char*>(data), bytes)});
        }
        ::RegCloseKey(key);
    }
    ~SavedSourceKey() {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSourceKey.c_str());
        if (!m_existed) return;
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const Value& value : m_values) {
            ::RegSetValueExW(key, value.name.c_str(), 0, value.type,
                             reinterpret_cast<const BYTE*>(value.data.data()),
                             static_cast<DWORD>(value.data.size()));
        }
        ::RegCloseKey(key);
    }
    SavedSourceKey(const SavedSourceKey&) = delete;
    SavedSourceKey& operator=(const SavedSourceKey&) = delete;

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::string data;
    };
    bool m_existed = false;
    std::vector<Value> m_values;
};

// The source's key as lines in footprint.h's form (RegistryValueLine); none when it is missing.
std::vector<std::string> SourceKeyLines() {
    std::vector<std::string> lines;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSourceKey.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return lines;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        DWORD type = 0;
        BYTE data[4096] = {};
        DWORD bytes = sizeof data - sizeof(wchar_t);
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &bytes) !=
            ERROR_SUCCESS) {
            break;
        }
        const char* typeName = type == REG_SZ          ? "REG_SZ"
                               : type == REG_EXPAND_SZ ? "REG_EXPAND_SZ"
                               : type == REG_DWORD     ? "REG_DWORD"
                                                       : "other";
        const std::string text = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data))
                                                   : Gbk(reinterpret_cast<const wchar_t*>(data));
        lines.push_back(std::string(kKeyLine) + Gbk(name) + "\t" + typeName + "\t" + text);
    }
    ::RegCloseKey(key);
    return lines;
}

// Points the source's key at another executable, as a copy installed elsewhere leaves it.
void RegisterSourceFor(const std::wstring& exe) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD types = 7;
    ::RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(exe.c_str()),
                     static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                     sizeof types);
    ::RegCloseKey(key);
}

// What a run of the program did: its exit code, and whether a visible window of it was seen
// while it ran (looked for until it ended).
struct RunResult {
    DWORD exitCode = 99;
    bool ended = false;
    bool windowSeen = false;
};

// A folder of the test's own with a copy of the program, and the stand-in under the name an
// installer gives it.
class Folder {
public:
    explicit Folder(bool withStandIn = true) {
        ::CopyFileA(kProgram.c_str(), Exe().c_str(), FALSE);
        if (withStandIn)
            ::CopyFileA(kStandIn.c_str(), File("TK100_Dll.standin.dll").c_str(), FALSE);
    }
    const std::string& Path() const { return m_dir.Path(); }
    std::string Exe() const { return m_dir.File("TKAdjustTime.exe"); }
    std::string File(const char* name) const { return m_dir.File(name); }
    std::string Settings() const { return File("TK100_Dll_Set.ini"); }
    std::string Library() const { return File("TK100_Dll.dll"); }

    RunResult Start(const std::string& arguments) const {
        tk_test::ChildProcess process(Exe(), m_dir.Path(), arguments);
        RunResult run;
        if (!process.Started()) return run;
        const ULONGLONG deadline = ::GetTickCount64() + kTimeoutMs;
        // Looks for a window until the process has ended: waiting on it is the poll's period.
        while (!(run.ended = process.Ended(20)) && ::GetTickCount64() < deadline) {
            if (tk_test::VisibleWindowOf(process.Pid()) != nullptr) run.windowSeen = true;
        }
        run.exitCode = process.ExitCode();
        return run;
    }

    // The log's lines without their time stamps, each checked for one.
    std::vector<std::string> LogTexts() const {
        std::vector<std::string> texts;
        const std::string log = ReadFileBytes(File("TKAdjustTime.log")).value_or("");
        std::string::size_type at = 0;
        while (at < log.size()) {
            const std::string::size_type end = log.find("\r\n", at);
            const std::string line = log.substr(at, end - at);
            at = end == std::string::npos ? log.size() : end + 2;
            const bool stamped = line.size() > 20 && line[4] == '-' && line[7] == '-' &&
                                 line[10] == ' ' && line[13] == ':' && line[19] == '\t';
            texts.push_back(stamped ? line.substr(20) : "unstamped: " + line);
        }
        return texts;
    }

private:
    TempDir m_dir;
};

// The source's key for the program at exe: the literal lines, and footprint.h's.
void ExpectSourceFor(const std::string& exe) {
    EXPECT_EQ(
        SourceKeyLines(),
        (std::vector<std::string>{std::string(kKeyLine) + "EventMessageFile\tREG_EXPAND_SZ\t" + exe,
                                  std::string(kKeyLine) + "TypesSupported\tREG_DWORD\t7"}));
    std::vector<std::string> footprint;
    for (const tk::RegistryValue& value : tk::EventSourceValues(exe))
        footprint.push_back(tk::RegistryValueLine(value));
    EXPECT_EQ(SourceKeyLines(), footprint);
}

const std::string kExample(kExampleSettings, sizeof kExampleSettings - 1);
const std::string kVendorLibrary = "MZ the vendor's library, placed by hand";

class Register : public ::testing::Test {
    SavedSourceKey m_saved;
};

TEST_F(Register, AFreshFolderGetsTheSourceTheExampleSettingsAndTheStandIn) {
    const Folder folder;
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSourceKey.c_str());
    const RunResult run = folder.Start("/register");
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    ExpectSourceFor(folder.Exe());
    EXPECT_EQ(ReadFileBytes(folder.Settings()), kExample);
    EXPECT_EQ(ReadFileBytes(folder.Library()), ReadFileBytes(kStandIn));
    EXPECT_EQ(folder.LogTexts(),
              std::vector<std::string>{"已注册事件源：" + folder.Exe() +
                                       "；设置文件：已新建；已写入：无；控制卡库："
                                       "已放入替代库；文件夹已授权"});
}

// Quoted as an installer quotes them, an empty one left alone, names in any case.
TEST_F(Register, WritesTheValuesGivenIntoANewSettingsFile) {
    const Folder folder;
    const RunResult run = folder.Start(
        "-REGISTER TIMESERVER=\"127.0.0.9:123\" METRICSFILE=\"C:\\指标 文件\\tk.prom\" "
        "maxclockoffset=\"300\" CONTROLLERDLL=\"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    EXPECT_EQ(ReadFileBytes(folder.Settings()),
              "[CONT]\r\nScreenCount=1\r\nnSel=2\r\nTimer=1\r\nbStart=0\r\n"
              "sTimeServer=127.0.0.9:123\r\nsMetricsFile=C:\\指标 文件\\tk.prom\r\n"
              "nMaxClockOffset=300\r\n" +
                  kExample.substr(kExample.find("[地址：0]")));
    EXPECT_EQ(folder.LogTexts(),
              std::vector<std::string>{"已注册事件源：" + folder.Exe() +
                                       "；设置文件：已新建；已写入：sTimeServer、sMetricsFile、"
                                       "nMaxClockOffset；控制卡库：已放入替代库；文件夹已授权"});
}

// The operator's file keeps every other key, section and comment; a key there is replaced.
TEST_F(Register, AnExistingSettingsFileKeepsEverythingElse) {
    const Folder folder;
    WriteFileBytes(folder.Settings(),
                   "; 现场的设置\r\n[CONT]\r\nScreenCount=0\r\nsTimeServer=old.example\r\n"
                   "bEventLog=0\r\n[地址：0]\r\nIpAddress0=127\r\n[其他]\r\n键=值\r\n");
    const RunResult run = folder.Start("/register TIMESERVER=none MAXCLOCKOFFSET=60 METRICSFILE=");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder.Settings()),
              "; 现场的设置\r\n[CONT]\r\nScreenCount=0\r\nsTimeServer=none\r\n"
              "bEventLog=0\r\nnMaxClockOffset=60\r\n[地址：0]\r\nIpAddress0=127\r\n[其他]\r\n键=值"
              "\r\n");
    EXPECT_EQ(folder.LogTexts()[0].substr(folder.LogTexts()[0].find("；设置")),
              "；设置文件：已有；已写入：sTimeServer、nMaxClockOffset；控制卡库：已放入替代库；"
              "文件夹已授权");
}

// Saved as Unicode by an editor: it stays UTF-16, and reads as the same keys with the two new.
TEST_F(Register, ASettingsFileSavedAsUnicodeStaysUnicode) {
    const Folder folder;
    WriteFileBytes(folder.Settings(),
                   tk_test::Utf16File("[CONT]\r\nScreenCount=0\r\n[其他]\r\n键=值\r\n"));
    const RunResult run = folder.Start("/register TIMESERVER=\"时间.example\" MAXCLOCKOFFSET=5");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder.Settings()),
              tk_test::Utf16File("[CONT]\r\nScreenCount=0\r\nsTimeServer=时间.example\r\n"
                                 "nMaxClockOffset=5\r\n[其他]\r\n键=值\r\n"));
}

TEST_F(Register, ALibraryPlacedByHandStaysUnlessOneIsNamed) {
    const Folder folder;
    WriteFileBytes(folder.Library(), kVendorLibrary);
    EXPECT_EQ(folder.Start("/register").exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder.Library()), kVendorLibrary);
    // Named: copied over what is there, from a path with blanks and Chinese.
    const TempDir source;
    const std::string named = source.Path() + "\\厂商 库.dll";
    WriteFileBytes(named, "MZ the vendor's newer library");
    EXPECT_EQ(folder.Start("/register CONTROLLERDLL=\"" + named + "\"").exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder.Library()), "MZ the vendor's newer library");
    EXPECT_EQ(ReadFileBytes(named), "MZ the vendor's newer library");
    const std::vector<std::string> log = folder.LogTexts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("；控制卡库：保留现有；"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("；控制卡库：已复制" + named + "；"), std::string::npos) << log[1];
}

TEST_F(Register, AFailureExitsWithItsErrorAndSaysSo) {
    const Folder folder;
    // A library named that is not there: nothing of the folder's library changes.
    WriteFileBytes(folder.Library(), kVendorLibrary);
    const TempDir empty;
    const RunResult missing =
        folder.Start("/register CONTROLLERDLL=\"" + empty.Path() + "\\TK100_Dll.dll\"");
    EXPECT_EQ(missing.exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(missing.windowSeen);
    EXPECT_EQ(ReadFileBytes(folder.Library()), kVendorLibrary);
    // A settings file another program holds without sharing: the write of a key fails.
    const HANDLE held = ::CreateFileA(folder.Settings().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const RunResult blocked = folder.Start("/register TIMESERVER=127.0.0.1");
    ::CloseHandle(held);
    EXPECT_EQ(blocked.exitCode, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadFileBytes(folder.Settings()), kExample);
    const std::vector<std::string> log = folder.LogTexts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].substr(0, log[0].find("error")), "注册失败：复制控制卡库：");
    EXPECT_EQ(log[0].substr(log[0].find("error"), 9), "error 2: ");
    EXPECT_EQ(log[1].substr(0, log[1].find("error")), "注册失败：写入sTimeServer：");
    EXPECT_EQ(log[1].substr(log[1].find("error"), 10), "error 32: ");
}

TEST_F(Register, AnUnknownArgumentChangesNothing) {
    const Folder folder;
    const RunResult run = folder.Start("/register TIMESERVER=a /instal");
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(run.windowSeen);
    EXPECT_EQ(ReadFileBytes(folder.Settings()), std::nullopt);
    EXPECT_EQ(ReadFileBytes(folder.Library()), std::nullopt);
    EXPECT_EQ(folder.LogTexts(), std::vector<std::string>{"命令行参数无效：/instal"});
}

// Unregister takes only a key that names this copy, and leaves the operator's files.
TEST_F(Register, UnregisterRemovesOnlyThisCopysSource) {
    const Folder folder;
    RegisterSourceFor(L"C:\\Other\\TKAdjustTime.exe");
    RunResult run = folder.Start("/unregister");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    EXPECT_EQ(
        SourceKeyLines(),
        (std::vector<std::string>{
            std::string(kKeyLine) + "EventMessageFile\tREG_EXPAND_SZ\tC:\\Other\\TKAdjustTime.exe",
            std::string(kKeyLine) + "TypesSupported\tREG_DWORD\t7"}));
    EXPECT_EQ(folder.Start("/register").exitCode, 0u);
    ExpectSourceFor(folder.Exe());
    run = folder.Start("-UNREGISTER");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(SourceKeyLines(), std::vector<std::string>{});
    EXPECT_EQ(ReadFileBytes(folder.Settings()), kExample);
    EXPECT_EQ(ReadFileBytes(folder.Library()), ReadFileBytes(kStandIn));
    EXPECT_EQ(folder.Start("/unregister").exitCode, 0u);
    const std::vector<std::string> log = folder.LogTexts();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "事件源属于其他程序，未注销");
    EXPECT_EQ(log[2], "已注销事件源");
    EXPECT_EQ(log[3], "事件源未注册，无需注销");
}

// A copy running in the folder does not stop /register, which neither hands over to it nor
// waits for it.
TEST_F(Register, ACopyRunningInTheFolderDoesNotStopIt) {
    const Folder folder;
    WriteFileBytes(folder.Library(), ReadFileBytes(kStandIn).value_or(""));
    WriteFileBytes(folder.Settings(),
                   "[CONT]\r\nScreenCount=0\r\nnSel=1\r\nTimer=5\r\nbStart=0\r\n");
    tk_test::ChildProcess running(folder.Exe(), folder.Path());
    ASSERT_TRUE(running.Started());
    ASSERT_TRUE(tk_test::PollUntil(
        [&] { return tk_test::VisibleWindowOf(running.Pid()) != nullptr; }, kTimeoutMs, 20));
    // The running copy registered the source at its start: point it elsewhere.
    RegisterSourceFor(L"C:\\Other\\TKAdjustTime.exe");
    const RunResult run = folder.Start("/register TIMESERVER=127.0.0.1");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    ExpectSourceFor(folder.Exe());
    EXPECT_EQ(folder.LogTexts().back(), "已注册事件源：" + folder.Exe() +
                                            "；设置文件：已有；已写入：sTimeServer；控制卡库：保留"
                                            "现有；文件夹已授权");
    EXPECT_FALSE(running.Ended(0));
    ::PostMessageA(tk_test::VisibleWindowOf(running.Pid()), WM_CLOSE, 0, 0);
    EXPECT_TRUE(running.Ended(kTimeoutMs));
}

// A normal start still needs the library: without one it says so and ends with the system's
// error, before any window of its own or a write (the imports are bound at their first call,
// which /register needs).
TEST_F(Register, ANormalStartWithoutTheLibrarySaysSoAndEnds) {
    const Folder folder(false);
    tk_test::ChildProcess program(folder.Exe(), folder.Path());
    ASSERT_TRUE(program.Started());
    HWND box = nullptr;
    ASSERT_TRUE(tk_test::PollUntil(
        [&] { return (box = tk_test::VisibleWindowOf(program.Pid())) != nullptr; }, kTimeoutMs,
        20));
    // The box's text, its static control 0xFFFF, asked of the other process.
    char text[512] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(::GetDlgItem(box, 0xFFFF), WM_GETTEXT, sizeof text,
                          reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kTimeoutMs, &copied);
    const std::string said = text;
    EXPECT_EQ(said.substr(0, said.find("error")), "无法加载控制卡库TK100_Dll.dll：");
    EXPECT_EQ(said.substr(said.find("error"), 11), "error 126: ");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program.Ended(kTimeoutMs));
    EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(ReadFileBytes(folder.File("TKAdjustTime.log")), std::nullopt);
    EXPECT_EQ(ReadFileBytes(folder.Settings()), std::nullopt);
}

}  // namespace
