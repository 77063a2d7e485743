#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "core/base/module_path_win.h"
#include "library/controller_library_win.h"

// Import address table slots the loader filled in for the two imports (on x86 the symbol of a
// C name carries a leading underscore: __imp__User_AdjustTime).
#define TK_STRING2(text) #text
#define TK_STRING(text) TK_STRING2(text)
#define TK_IMPORT_SLOT(name) "__imp_" TK_STRING(__USER_LABEL_PREFIX__) #name
extern "C" void* ImportSlotAdjustTime __asm__(TK_IMPORT_SLOT(User_AdjustTime));
extern "C" void* ImportSlotReloadIniFile __asm__(TK_IMPORT_SLOT(User_ReloadIniFile));

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
    EXPECT_EQ(ImportSlotAdjustTime,
              reinterpret_cast<void*>(GetProcAddress(library, "User_AdjustTime")));
    EXPECT_EQ(ImportSlotReloadIniFile,
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
    tk::ImportedControllerLibrary library;
    for (int n : {0, -1, INT_MIN}) EXPECT_EQ(library.AdjustTime(n), 0) << n;
    library.ReloadIniFile();
    for (int n : {0, -1, INT_MIN}) EXPECT_EQ(library.AdjustTime(n), 0) << n;
}

// A module in a folder deeper than MAX_PATH: the path is read whole, not cut. Wine refuses such
// paths to the ANSI file functions, so the folder is made and removed through the wide ones.
TEST(ModuleFilePath, ReadsAPathLongerThanMaxPath) {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    std::vector<std::wstring> dirs = {std::wstring(L"\\\\?\\") + temp + L"tk-long-module-path"};
    for (wchar_t c : {L'a', L'b', L'c', L'd', L'e'})
        dirs.push_back(dirs.back() + L"\\" + std::wstring(60, c));
    for (const std::wstring& dir : dirs) {
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    const std::wstring copy = dirs.back() + L"\\TK100_Dll.dll";
    const std::string source = tk::ModuleFilePath(GetModuleHandleA("TK100_Dll.dll"));
    ASSERT_TRUE(CopyFileW(std::wstring(source.begin(), source.end()).c_str(), copy.c_str(), FALSE));

    const HMODULE loaded = LoadLibraryW(copy.c_str());
    ASSERT_NE(loaded, nullptr);
    const std::string path = tk::ModuleFilePath(loaded);
    FreeLibrary(loaded);
    const std::wstring widened(path.begin(), path.end());  // the folders are all ASCII
    const std::wstring tail = copy.substr(copy.find(L"tk-long-module-path"));
    EXPECT_GT(path.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_TRUE(widened.size() >= tail.size() &&
                widened.compare(widened.size() - tail.size(), tail.size(), tail) == 0)
        << path;
    EXPECT_TRUE(DeleteFileW(copy.c_str()));
    for (auto dir = dirs.rbegin(); dir != dirs.rend(); ++dir)
        EXPECT_TRUE(RemoveDirectoryW(dir->c_str()));
}

}  // namespace
