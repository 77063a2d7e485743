#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tk::test {

// Gives each test a fresh directory with the settings file's path in it, removed afterwards.
class SettingsDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tk-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/TK100_Dll_Set.ini";
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void WriteFile(const std::string& bytes) const {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string ReadFile() const {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string m_dir;
    std::string m_path;
};

}  // namespace tk::test
