#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <set>
#include <string>

#include "core/module_path_win.h"
#include "library/tk100_dll.h"

// Import address table slots the loader filled in for the two imports.
extern "C" void* __imp_User_AdjustTime;
extern "C" void* __imp_User_ReloadIniFile;

namespace {

std::string Directory(HMODULE module) {
    const std::string path = tk::ModuleFilePath(module);
    return path.substr(0, path.rfind('\\'));
}

// The export names of a loaded module, read from its export directory.
std::set<std::string> ExportNames(HMODULE module) {
    const auto base = reinterpret_cast<const BYTE*>(module);
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        result.insert(reinterpret_cast<const char*>(base + names[i]));
    }
    return result;
}

TEST(LibraryImport, LoaderBoundBothImportsToTheDllBesideTheProgram) {
    const HMODULE library = GetModuleHandleA("TK100_Dll.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(Directory(library), Directory(nullptr));
    EXPECT_EQ(__imp_User_AdjustTime,
              reinterpret_cast<void*>(GetProcAddress(library, "User_AdjustTime")));
    EXPECT_EQ(__imp_User_ReloadIniFile,
              reinterpret_cast<void*>(GetProcAddress(library, "User_ReloadIniFile")));
}

TEST(LibraryImport, DllExportsExactlyTheTwoUndecoratedNames) {
    const HMODULE library = GetModuleHandleA("TK100_Dll.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(ExportNames(library),
              (std::set<std::string>{"User_AdjustTime", "User_ReloadIniFile"}));
}

// Numbers that can name no screen are refused without any settings file being involved.
TEST(LibraryImport, ScreenNumbersBelowOneAreRefused) {
    for (int n : {0, -1, INT_MIN}) EXPECT_EQ(User_AdjustTime(n), 0) << n;
    User_ReloadIniFile();
    for (int n : {0, -1, INT_MIN}) EXPECT_EQ(User_AdjustTime(n), 0) << n;
}

}  // namespace
