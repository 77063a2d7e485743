// A whole file replaced in one step through its temporary file "<target>.tmp", and the clean-up
// of one that a replace cut short left.
#include "core/store/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/native/temp_dir.h"

namespace {

class AtomicFileTest : public tk::test::SettingsDirTest {
protected:
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
};

// A leftover temporary is written over and taken along by the rename; the file keeps its mode.
TEST_F(AtomicFileTest, ReplaceGoesThroughTheTemporaryBesideTheTarget) {
    EXPECT_EQ(tk::TemporaryFileOf(m_path), m_path + ".tmp");
    WriteFile("old");
    ASSERT_EQ(::chmod(m_path.c_str(), 0640), 0);
    std::ofstream(m_path + ".tmp", std::ios::binary) << "a longer half-written file";
    EXPECT_TRUE(tk::ReplaceFileAtomically(m_path, "new"));
    EXPECT_EQ(ReadFile(), "new");
    EXPECT_EQ(Names(), std::set<std::string>{"TK100_Dll_Set.ini"});
    struct stat info;
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Removed when present, no failure when absent; what cannot be removed says why.
TEST_F(AtomicFileTest, LeftoverTemporaryRemoved) {
    WriteFile("old");
    std::ofstream(m_path + ".tmp", std::ios::binary) << "half";
    EXPECT_TRUE(tk::RemoveLeftoverTemporary(m_path));
    EXPECT_EQ(Names(), std::set<std::string>{"TK100_Dll_Set.ini"});
    EXPECT_TRUE(tk::RemoveLeftoverTemporary(m_path));
    EXPECT_EQ(ReadFile(), "old");

    const std::string folder = m_dir + "/sub.prom";
    ASSERT_TRUE(std::filesystem::create_directory(folder + ".tmp"));
    errno = 0;
    EXPECT_FALSE(tk::RemoveLeftoverTemporary(folder));
    EXPECT_EQ(errno, EISDIR);
}

}  // namespace
