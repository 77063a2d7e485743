// A whole file replaced in one step under Wine while a real reader holds the target without
// delete sharing: the blocked rename is tried again, the waits between tries recorded instead
// of slept, and the reader let go from inside a wait.
#include "core/store/atomic_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/store/atomic_file_win.h"
#include "tests/win/win_test_util.h"

namespace {

// The folder's file names, sorted as FindFirstFile gives them under Wine.
std::vector<std::string> Names(const tk_test::TempDir& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((dir.Path() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// The target "old", held by a reader as a collector holds it (read and write sharing, no delete
// sharing) until the wait before try releaseAt (never at 0); the waits asked for are recorded.
class HeldTarget {
public:
    explicit HeldTarget(int releaseAt) : m_path(m_dir.File("tk_sync.prom")) {
        tk_test::WriteFileBytes(m_path, "old");
        m_reader = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        m_previous = tk::SetReplaceWaitHook([this, releaseAt](int waitMs) {
            waits.push_back(waitMs);
            if (static_cast<int>(waits.size()) == releaseAt) Release();
        });
    }
    ~HeldTarget() {
        tk::SetReplaceWaitHook(m_previous);
        Release();
    }
    HeldTarget(const HeldTarget&) = delete;
    HeldTarget& operator=(const HeldTarget&) = delete;

    bool Held() const { return m_reader != INVALID_HANDLE_VALUE; }
    const std::string& Path() const { return m_path; }
    std::vector<std::string> Names() const { return ::Names(m_dir); }
    std::vector<int> waits;

private:
    void Release() {
        if (m_reader != INVALID_HANDLE_VALUE)
            ::CloseHandle(std::exchange(m_reader, INVALID_HANDLE_VALUE));
    }

    tk_test::TempDir m_dir;
    std::string m_path;
    HANDLE m_reader = INVALID_HANDLE_VALUE;
    tk::ReplaceWaitHook m_previous;
};

// The reader lets go after some tries: the next one replaces the file, the temporary with it.
TEST(ReplaceBlockedByReader, TriedAgainUntilTheReaderLetsGo) {
    const struct {
        int releaseAt;
        std::vector<int> waits;
    } cases[] = {
        {1, {10}},
        {3, {10, 20, 40}},
        {6, {10, 20, 40, 50, 50, 30}},  // the last wait the 200 ms leave
    };
    for (const auto& c : cases) {
        HeldTarget target(c.releaseAt);
        ASSERT_TRUE(target.Held());
        EXPECT_TRUE(tk::ReplaceFileAtomically(target.Path(), "new", tk::Durability::kOnRename))
            << c.releaseAt;
        EXPECT_EQ(target.waits, c.waits) << c.releaseAt;
        EXPECT_EQ(tk_test::ReadFileBytes(target.Path()), "new") << c.releaseAt;
        EXPECT_EQ(target.Names(), std::vector<std::string>{"tk_sync.prom"}) << c.releaseAt;
    }
}

// A reader that holds on past the time asked for: the old file whole, no temporary left, and the
// rename's error kept for the caller's report (Wine refuses to rename over any open file with
// access denied). At exit the replacer is asked for a second.
TEST(ReplaceBlockedByReader, GivenUpPastItsTimeWithTheOldFileWhole) {
    tk::AtomicFileReplacer pass(tk::Durability::kOnRename);
    tk::AtomicFileReplacer noWait(tk::Durability::kOnRename, 0);
    const struct {
        const char* what;
        std::function<bool(const std::string&)> replace;
        size_t tries;
        int waitedMs;
    } cases[] = {
        {"ReplaceFileAtomically",
         [](const std::string& path) { return tk::ReplaceFileAtomically(path, "new"); }, 7, 200},
        {"a pass's replace",
         [&](const std::string& path) { return !pass.Replace(path, "new").Failed(); }, 7, 200},
        {"the replace at exit",
         [&](const std::string& path) {
             return !pass.ReplaceRetrying(path, "new", tk::kReplaceRetryAtExitMs).Failed();
         },
         23, 1000},
        {"no time to wait",
         [&](const std::string& path) { return !noWait.Replace(path, "new").Failed(); }, 1, 0},
    };
    for (const auto& c : cases) {
        HeldTarget target(0);
        ASSERT_TRUE(target.Held());
        ::SetLastError(0);
        EXPECT_FALSE(c.replace(target.Path())) << c.what;
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << c.what;
        EXPECT_EQ(target.waits.size() + 1, c.tries) << c.what;
        int waited = 0;
        for (const int ms : target.waits) waited += ms;
        EXPECT_EQ(waited, c.waitedMs) << c.what;
        EXPECT_EQ(tk_test::ReadFileBytes(target.Path()), "old") << c.what;
        EXPECT_EQ(target.Names(), std::vector<std::string>{"tk_sync.prom"}) << c.what;
    }
}

// A failure that no reader causes is not waited for: a folder that does not exist.
TEST(ReplaceBlockedByReader, OtherFailuresAreNotTriedAgain) {
    HeldTarget target(0);
    const std::string missing = target.Path() + "-missing\\tk_sync.prom";
    EXPECT_FALSE(tk::ReplaceFileAtomically(missing, "new"));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(target.waits, std::vector<int>{});
}

// A temporary file that a replace cut short left: removed, and a missing one is no failure.
TEST(ReplaceLeftover, TheTemporaryBesideTheTargetIsRemoved) {
    const tk_test::TempDir dir;
    const std::string path = dir.File("tk_sync.prom");
    EXPECT_EQ(tk::TemporaryFileOf(path), path + ".tmp");
    tk_test::WriteFileBytes(path, "old");
    tk_test::WriteFileBytes(path + ".tmp", "half");
    EXPECT_TRUE(tk::RemoveLeftoverTemporary(path));
    EXPECT_EQ(Names(dir), std::vector<std::string>{"tk_sync.prom"});
    EXPECT_TRUE(tk::RemoveLeftoverTemporary(path));

    // A replace writes over a leftover and takes it along.
    tk_test::WriteFileBytes(path + ".tmp", "half");
    EXPECT_TRUE(tk::ReplaceFileAtomically(path, "new"));
    EXPECT_EQ(tk_test::ReadFileBytes(path), "new");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"tk_sync.prom"});

    // One a writer still holds stays, and says why.
    tk_test::WriteFileBytes(path + ".tmp", "half");
    const HANDLE writer = ::CreateFileA((path + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(tk::RemoveLeftoverTemporary(path));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    ::CloseHandle(writer);
    EXPECT_EQ(tk_test::ReadFileBytes(path), "new");
}

}  // namespace
