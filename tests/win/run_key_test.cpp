#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/autostart/autostart.h"
#include "core/autostart/run_key_win.h"
#include "core/base/module_path_win.h"
#include "core/store/win32_profile_win.h"
#include "tests/win/win_test_util.h"

// Start with Windows against the real registry and the real profile API. Every value the tests
// touch is named after this process and must be absent beforehand; TearDown deletes it again,
// so the prefix's Run key ends as it began.
namespace {

// The Run key, spelt out here so that a wrong key in the program fails the tests.
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// What a Run value holds, as RegGetValueA reports it.
struct StoredValue {
    bool exists = false;
    DWORD type = 0;
    DWORD size = 0;
    std::string data;  // the bytes up to the first zero
};

StoredValue ReadRunValue(const std::string& name) {
    StoredValue value;
    char data[1024] = {};
    value.size = sizeof data;
    value.exists = RegGetValueA(HKEY_CURRENT_USER, kRunKey, name.c_str(), RRF_RT_ANY, &value.type,
                                data, &value.size) == ERROR_SUCCESS;
    value.data = data;
    return value;
}

// The status-colour flag and the status line of the main window, as one log.
const std::vector<std::string> kSetLog = {"flag 1", "状态：设置自动启动成功！"};
const std::vector<std::string> kClearedLog = {"flag 1", "状态：关闭自动启动成功！"};
const std::vector<std::string> kSetFailedLog = {"flag 0", "状态：设置自动启动失败！"};
const std::vector<std::string> kClearFailedLog = {"flag 0", "状态：关闭自动启动失败！"};

class RunKeyTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& name : m_claimed) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueA(key, name.c_str());
                RegCloseKey(key);
            }
            EXPECT_FALSE(ReadRunValue(name).exists) << name;
        }
    }

    // Takes a value name for this test: it must not exist yet, and is deleted in TearDown.
    bool Claim(const std::string& name) {
        if (ReadRunValue(name).exists) return false;
        m_claimed.push_back(name);
        return true;
    }

    // One click of the check box with the given state, for an executable at modulePath.
    std::vector<std::string> Click(int state, const std::string& modulePath, tk::IRunKey& runKey) {
        tk::Win32Profile settings(m_settingsPath);
        const tk::AutostartReport report =
            tk::ApplyStartWithWindows(state, modulePath, {settings, runKey});
        return {report.good ? "flag 1" : "flag 0", report.text};
    }
    std::vector<std::string> Click(int state, const std::string& modulePath) {
        tk::RegistryRunKey runKey;
        return Click(state, modulePath, runKey);
    }

    int StoredStart() {
        return static_cast<int>(
            GetPrivateProfileIntA("CONT", "bStart", -1, m_settingsPath.c_str()));
    }

    const std::string m_tag = "tk-test-" + std::to_string(GetCurrentProcessId());
    tk_test::TempDir m_dir;
    const std::string m_settingsPath = m_dir.File("TK100_Dll_Set.ini");
    std::vector<std::string> m_claimed;
};

// The value is named after the executable's folder and holds its whole path, quoted for its
// spaces, as a REG_SZ of just the text and its zero (no padding to 260).
TEST_F(RunKeyTest, TickAddsValueNamedAfterExecutablesFolder) {
    const std::string name = "tk test " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(Claim(name));
    const std::string exe =
        "C:\\Program Files\\" + std::string(300, 'd') + "\\" + name + "\\TK.exe";
    EXPECT_EQ(Click(1, exe), kSetLog);
    EXPECT_EQ(StoredStart(), 1);
    const StoredValue value = ReadRunValue(name);
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, "\"" + exe + "\"");
    EXPECT_EQ(value.size, exe.size() + 3);
}

TEST_F(RunKeyTest, TickThenClearRemovesValue) {
    ASSERT_TRUE(Claim(m_tag));
    const std::string exe = "C:\\" + m_tag + "\\TK.exe";
    EXPECT_EQ(Click(1, exe), kSetLog);
    ASSERT_TRUE(ReadRunValue(m_tag).exists);
    EXPECT_EQ(Click(0, exe), kClearedLog);
    EXPECT_EQ(StoredStart(), 0);
    EXPECT_FALSE(ReadRunValue(m_tag).exists);
    // A second clear finds nothing to delete: the value is gone, as asked, and the choice is
    // recorded.
    ASSERT_EQ(WritePrivateProfileStringA("CONT", "bStart", "1", m_settingsPath.c_str()), TRUE);
    EXPECT_EQ(Click(0, exe), kClearedLog);
    EXPECT_EQ(StoredStart(), 0);
}

TEST_F(RunKeyTest, DriveRootUsesUnnamedValue) {
    if (!Claim("")) GTEST_SKIP() << "the Run key already has an unnamed value";
    EXPECT_EQ(Click(1, "C:\\TK.exe"), kSetLog);
    const StoredValue value = ReadRunValue("");
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.data, "C:\\TK.exe");
    EXPECT_EQ(Click(0, "C:\\TK.exe"), kClearedLog);
    EXPECT_FALSE(ReadRunValue("").exists);
}

// A key that cannot be opened is not created; the click still records bStart and says that it
// failed.
TEST_F(RunKeyTest, MissingKeyIsNotCreatedAndTheClickFails) {
    ASSERT_TRUE(Claim(m_tag));
    const std::string missing = "Software\\" + m_tag + "-missing";
    tk::RegistryRunKey runKey(missing);
    EXPECT_EQ(Click(1, "C:\\" + m_tag + "\\TK.exe", runKey), kSetFailedLog);
    EXPECT_EQ(StoredStart(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, missing.c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    if (key) RegCloseKey(key);
    EXPECT_EQ(Click(0, "C:\\" + m_tag + "\\TK.exe", runKey), kClearFailedLog);
    EXPECT_EQ(StoredStart(), 0);
}

// What a profile locked down by policy grants on its Run key: reading and setting values, no
// more (Wine does not check a key's access list, so the refusal is played here).
LSTATUS WINAPI OpenLockedDown(HKEY parent, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    if ((access & ~(KEY_QUERY_VALUE | KEY_SET_VALUE)) != 0) return ERROR_ACCESS_DENIED;
    return RegOpenKeyExA(parent, path, options, access, key);
}

TEST_F(RunKeyTest, AKeyThatGrantsOnlyValueAccessIsEnough) {
    ASSERT_TRUE(Claim(m_tag));
    tk::RegistryRunKey runKey(kRunKey, OpenLockedDown);
    const std::string exe = "C:\\" + m_tag + "\\TK.exe";
    EXPECT_EQ(Click(1, exe, runKey), kSetLog);
    EXPECT_EQ(ReadRunValue(m_tag).data, exe);
    EXPECT_EQ(Click(0, exe, runKey), kClearedLog);
    EXPECT_FALSE(ReadRunValue(m_tag).exists);
}

TEST_F(RunKeyTest, ClosedKeyRefusesValues) {
    ASSERT_TRUE(Claim(m_tag));
    tk::RegistryRunKey runKey;
    EXPECT_FALSE(runKey.SetValue(m_tag, "x"));
    ASSERT_TRUE(runKey.Open());
    runKey.Close();
    EXPECT_FALSE(runKey.SetValue(m_tag, "x"));
    EXPECT_FALSE(ReadRunValue(m_tag).exists);
}

// The byte count handed to the registry includes the terminating zero. The API itself adds a
// zero left out of a text's count, but not to an empty text, which would be stored as no bytes.
TEST_F(RunKeyTest, EmptyTextIsStoredAsItsZero) {
    ASSERT_TRUE(Claim(m_tag));
    tk::RegistryRunKey runKey;
    ASSERT_TRUE(runKey.Open());
    ASSERT_TRUE(runKey.SetValue(m_tag, ""));
    const StoredValue value = ReadRunValue(m_tag);
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.size, 1u);
}

TEST(ExecutablePath, NamesThisTestProgram) {
    const std::string path = tk::ExecutablePath();
    const std::string suffix = "\\run_key_test.exe";
    ASSERT_GT(path.size(), suffix.size());
    EXPECT_EQ(path.substr(path.size() - suffix.size()), suffix);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ModuleFilePath, NamesALoadedModuleAndNothingElse) {
    std::string path = tk::ModuleFilePath(GetModuleHandleA("kernel32.dll"));
    CharLowerA(path.data());
    const std::string suffix = "\\kernel32.dll";
    ASSERT_GT(path.size(), suffix.size());
    EXPECT_EQ(path.substr(path.size() - suffix.size()), suffix);
    EXPECT_EQ(tk::ModuleFilePath(reinterpret_cast<HMODULE>(0x10)), "");  // no module there
}

}  // namespace
