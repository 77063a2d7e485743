// The version resources of TKAdjustTime.exe and of the stand-in TK100_Dll.dll, read back from
// the built files through the version API as Explorer and installers read them: the fixed
// numbers, the translation entry and every string, the strings as GBK bytes (the ANSI API
// converts the resource's UTF-16 through the code page, 936 here).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win/process_util.h"

namespace {

// The built files, as host paths (version_info.cmake passes them in).
const std::string kExe = tk_test::WindowsPath(TK_TEST_EXE_PATH);
const std::string kDll = tk_test::WindowsPath(TK_TEST_DLL_PATH);

// The whole version resource of a file; empty when it has none.
std::vector<char> ReadVersionInfo(const std::string& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> data(size);
    if (size == 0 || !::GetFileVersionInfoA(file.c_str(), 0, size, data.data())) data.clear();
    return data;
}

// The value at a sub-block path and its length as the API reports it; no value: nullptr.
struct Value {
    const void* data = nullptr;
    UINT length = 0;
};

Value Query(std::vector<char>& info, const std::string& subBlock) {
    Value value;
    void* data = nullptr;
    if (!info.empty() && ::VerQueryValueA(info.data(), subBlock.c_str(), &data, &value.length)) {
        value.data = data;
    }
    return value;
}

// A string value as the ANSI API returns it (up to its terminating zero); "<missing>" if absent.
std::string QueryString(std::vector<char>& info, const std::string& name) {
    const Value value = Query(info, "\\StringFileInfo\\080404B0\\" + name);
    if (value.data == nullptr) return "<missing>";
    return static_cast<const char*>(value.data);
}

// One file's expected fixed information.
struct FixedCase {
    const std::string* file;
    DWORD fileType;
};

// The numbers installers compare: 3.4.0.0 for file and product, a release build, and the type
// of each file.
TEST(VersionInfo, FixedNumbersAreThreeFourZeroZeroInBothFiles) {
    const FixedCase cases[] = {{&kExe, VFT_APP}, {&kDll, VFT_DLL}};
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(*c.file);
        std::vector<char> info = ReadVersionInfo(*c.file);
        ASSERT_FALSE(info.empty()) << "no version resource";
        const Value root = Query(info, "\\");
        ASSERT_NE(root.data, nullptr);
        ASSERT_EQ(root.length, sizeof(VS_FIXEDFILEINFO));
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, root.data, sizeof fixed);
        EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00030004u);
        EXPECT_EQ(fixed.dwFileVersionLS, 0u);
        EXPECT_EQ(fixed.dwProductVersionMS, 0x00030004u);
        EXPECT_EQ(fixed.dwProductVersionLS, 0u);
        EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u) << "no debug or pre-release flag";
        EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
        EXPECT_EQ(fixed.dwFileType, c.fileType);
    }
}

// The translation entry must name the string block's language and code page: a reader that
// follows it (as Explorer does) finds the strings only then.
TEST(VersionInfo, TranslationIsChineseSimplifiedUnicodeInBothFiles) {
    for (const std::string* file : {&kExe, &kDll}) {
        SCOPED_TRACE(*file);
        std::vector<char> info = ReadVersionInfo(*file);
        const Value translation = Query(info, "\\VarFileInfo\\Translation");
        ASSERT_NE(translation.data, nullptr);
        ASSERT_EQ(translation.length, 4u);
        WORD pair[2];
        std::memcpy(pair, translation.data, sizeof pair);
        EXPECT_EQ(pair[0], 0x0804);
        EXPECT_EQ(pair[1], 1200);
    }
}

// One string of one file.
struct StringCase {
    const std::string* file;
    const char* name;
    const char* expected;  // GBK bytes
};

// Every string of both files as Explorer's properties show them, through the translation's block.
TEST(VersionInfo, StringsReadBackAsGbk) {
    const StringCase cases[] = {
        {&kExe, "FileDescription", "TK自动校时"},
        {&kExe, "FileVersion", "3.4"},
        {&kExe, "ProductVersion", "3.4"},
        {&kExe, "ProductName", "TK自动校时"},
        {&kExe, "LegalCopyright", "Copyright (C) 2026 TK自动校时 developers"},
        {&kExe, "OriginalFilename", "TKAdjustTime.exe"},
        {&kExe, "InternalName", "TKAdjustTime"},
        {&kDll, "FileDescription",
         "测试用替身库，驱动模拟控制卡，不是厂商的控制卡库 (stand-in for testing with simulated "
         "controllers, not the vendor's library)"},
        {&kDll, "FileVersion", "3.4"},
        {&kDll, "ProductVersion", "3.4"},
        {&kDll, "ProductName", "TK自动校时"},
        {&kDll, "LegalCopyright", "Copyright (C) 2026 TK自动校时 developers"},
        {&kDll, "OriginalFilename", "TK100_Dll.dll"},
        {&kDll, "InternalName", "TK100_Dll"},
    };
    for (const StringCase& c : cases) {
        std::vector<char> info = ReadVersionInfo(*c.file);
        EXPECT_EQ(QueryString(info, c.name), c.expected) << *c.file << " " << c.name;
    }
}

// The first bytes of the product name in GBK, spelled out: a resource compiled without its
// code page, or a conversion through another code page, gives other bytes.
TEST(VersionInfo, ProductNameIsGbkBytes) {
    std::vector<char> info = ReadVersionInfo(kExe);
    EXPECT_EQ(QueryString(info, "ProductName"), "TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1");
}

}  // namespace
