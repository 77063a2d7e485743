#include "core/screens/screen_list_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/native/temp_dir.h"

namespace tk {
namespace {

class ScreenListFile : public test::SettingsDirTest {};

const char kGoodScreen[] =
    "nCtrlType=3\r\nnCtrlAddress=1\r\nnCommType=1\r\nnHeight=32\r\nnWidth=64\r\n"
    "nSerialType=1\r\nnSerialNum=1\r\nnNetPort=5005\r\nsNetAdderrs=10.0.0.5\r\nnColorOrder=1\r\n";

// A damaged count is not walked to its end, and no row comes from sections that are not there.
TEST_F(ScreenListFile, HugeCountWithoutSectionsIsNoExchangeFile) {
    WriteFile("[CONT]\r\nScreenCount=2147483647\r\n");
    const ExchangeImport imported = ReadExchangeFile(m_path, kMaxScreens);
    EXPECT_FALSE(imported.failure.Failed());
    EXPECT_TRUE(imported.NoScreenSections());
    EXPECT_TRUE(imported.rows.empty());
}

TEST_F(ScreenListFile, SectionWithOnlyEmptyValuesStillCounts) {
    WriteFile("[CONT]\r\nScreenCount=2\r\n[Screen0]\r\nnWidth=\r\n[Screen1]\r\n" +
              std::string(kGoodScreen));
    const ExchangeImport imported = ReadExchangeFile(m_path, kMaxScreens);
    ASSERT_EQ(imported.rows.size(), 2u);
    EXPECT_EQ(imported.rows[0][kColumnModel], "无效");
    EXPECT_EQ(imported.rows[0][kColumnWidth], "");
    EXPECT_EQ(imported.rows[1][kColumnModel], "TK300");
}

// A section is there by its header, whatever keys it holds; a missing one gives no row.
TEST_F(ScreenListFile, SectionsCountByTheirHeader) {
    WriteFile("[CONT]\r\nScreenCount=3\r\n[ Screen0 ]\r\nremark=x\r\n[Screen2]\r\n" +
              std::string(kGoodScreen));
    const ExchangeImport imported = ReadExchangeFile(m_path, kMaxScreens);
    ASSERT_EQ(imported.rows.size(), 2u);
    EXPECT_EQ(imported.rows[0][kColumnModel], "无效");
    EXPECT_EQ(imported.rows[0][kColumnIp], "错误");
    EXPECT_EQ(imported.rows[1][kColumnModel], "TK300");
}

// Every screen the count names is a row, left out past the row limit, or missing; sections
// are found by their names, as the reads compare them.
TEST_F(ScreenListFile, EveryScreenOfTheCountIsARowLeftOutOrMissing) {
    struct Case {
        const char* name;
        int count;
        std::vector<std::string> sections;
        int maxRows, rows, leftOut, missing;
    };
    const Case cases[] = {
        {"limit", 4, {"Screen0", "Screen1", "Screen2", "Screen3"}, 3, 3, 1, 0},
        {"huge count, two sections", 200000, {"Screen0", "Screen1"}, 300, 2, 0, 199998},
        {"names", 6, {"Screen0", "screen3", "Screen05", "Screen7", "Screen 4"}, 1, 1, 1, 4},
        {"no number", 2, {"Screen", "Screen1"}, 300, 1, 0, 1},
        {"sections past the count", 2, {"Screen0", "Screen1", "Screen2"}, 300, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "[CONT]\r\nScreenCount=" + std::to_string(c.count) + "\r\n";
        for (const std::string& section : c.sections) text += "[" + section + "]\r\n" + kGoodScreen;
        WriteFile(text);
        const ExchangeImport imported = ReadExchangeFile(m_path, c.maxRows);
        EXPECT_EQ(imported.failure.kind, FileFailure::Kind::kNone);
        EXPECT_FALSE(imported.NoScreenSections());
        EXPECT_EQ(static_cast<int>(imported.rows.size()), c.rows);
        EXPECT_EQ(imported.leftOut, c.leftOut);
        EXPECT_EQ(imported.missing, c.missing);
    }
}

// A file past the size limit is refused by its size; one at the limit is read.
TEST_F(ScreenListFile, FileLargerThanTheLimitIsNotRead) {
    std::string text = "[CONT]\r\nScreenCount=1\r\n[Screen0]\r\n" + std::string(kGoodScreen);
    text += std::string(kMaxProfileFileBytes - text.size(), ';');
    WriteFile(text);
    EXPECT_EQ(ReadExchangeFile(m_path, kMaxScreens).rows.size(), 1u);
    WriteFile(text + ";");
    EXPECT_EQ(ReadExchangeFile(m_path, kMaxScreens).failure.kind, FileFailure::Kind::kTooLarge);
    const ProfileBatch batch(m_path);
    EXPECT_EQ(batch.Failure().kind, FileFailure::Kind::kTooLarge);
    EXPECT_FALSE(batch.Loaded());
}

// A save that fails says why: a system call's error, or a reason of the store's own.
TEST_F(ScreenListFile, FailedSavesSayWhy) {
    const ScreenRow row = {"TK300", "2",        "网络通讯", "COM4", "9600",
                           "5005",  "10.0.0.5", "单色",     "128",  "16"};
    ScreenRow lineBreak = row;
    lineBreak[kColumnSerialPort] = "COM4\nX";
    FileFailure why;
    EXPECT_FALSE(SaveExchangeFile(m_path, {row, lineBreak}, &why));
    EXPECT_EQ(why.kind, FileFailure::Kind::kUnstorable);

    WriteFile(std::string("\xFF\xFE[\0C\0O\0N\0T\0]\0", 12));
    EXPECT_FALSE(SaveSettingsRows(m_path, {row}, &why));
    EXPECT_EQ(why.kind, FileFailure::Kind::kNotAnsi);

    EXPECT_FALSE(SaveSettingsRows(m_path + ".d/none/x.ini", {row}, &why));
    EXPECT_EQ(why.kind, FileFailure::Kind::kSystem);
    EXPECT_EQ(why.systemCode, ENOENT);
    EXPECT_EQ(why.systemText, "error 2: No such file or directory");
}

TEST_F(ScreenListFile, MissingFileIsToldApartFromAnEmptyOne) {
    EXPECT_EQ(ReadExchangeFile(m_path, kMaxScreens).failure.kind, FileFailure::Kind::kMissing);
    WriteFile("");
    const ExchangeImport empty = ReadExchangeFile(m_path, kMaxScreens);
    EXPECT_EQ(empty.failure.kind, FileFailure::Kind::kNone);
    EXPECT_TRUE(empty.rows.empty());
}

// A file only the profile API reads (UTF-16, or UTF-8 beyond ASCII) is said to be one, rather
// than read as a file of no screens that would empty the list.
TEST_F(ScreenListFile, FileInAnotherEncodingIsToldApart) {
    const std::string utf16("\xFF\xFE[\0C\0O\0N\0T\0]\0", 12);
    for (const std::string& file :
         {utf16, std::string("\xEF\xBB\xBF[CONT]\r\nScreenCount=1\r\n[Screen0]\r\n"
                             "sNetAdderrs=\xE5\x9C\xB0\r\n")}) {
        WriteFile(file);
        const ExchangeImport imported = ReadExchangeFile(m_path, kMaxScreens);
        EXPECT_EQ(imported.failure.kind, FileFailure::Kind::kNotAnsi);
        EXPECT_TRUE(imported.rows.empty());
    }
    WriteFile("\xEF\xBB\xBF[CONT]\r\nScreenCount=1\r\n[Screen0]\r\n" + std::string(kGoodScreen));
    const ExchangeImport ascii = ReadExchangeFile(m_path, kMaxScreens);
    EXPECT_EQ(ascii.failure.kind, FileFailure::Kind::kNone);
    ASSERT_EQ(ascii.rows.size(), 1u);
    EXPECT_EQ(ascii.rows[0][kColumnIp], "10.0.0.5");
}

TEST_F(ScreenListFile, SettingsRowsAreWrittenCountFirstInKeyOrder) {
    const ScreenRow row = {"TK300", "2",        "网络通讯", "COM4", "9600",
                           "5005",  "10.0.0.5", "单色",     "128",  "16"};
    ASSERT_TRUE(SaveSettingsRows(m_path, {row}));
    EXPECT_EQ(ReadFile(),
              "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nCardType=4\r\nCardAddress=1\r\n"
              "CommunicationMode=1\r\nScreemHeight=16\r\nScreemWidth=128\r\nSerialBaud=9600\r\n"
              "SerialNum=4\r\nNetPort=5005\r\nIpAddress0=10\r\nIpAddress1=0\r\nIpAddress2=0\r\n"
              "IpAddress3=5\r\nColorStyle=0\r\n");
}

// The list window's save rewrites the count and the screens' sections only: the tool's own keys
// of the global section (the time server among them) stay as they were.
TEST_F(ScreenListFile, SaveKeepsTheToolsOwnKeys) {
    WriteFile("[CONT]\r\nnSel=1\r\nsTimeServer=ntp.lan:1123\r\nScreenCount=2\r\nbStart=1\r\n"
              "[地址：0]\r\nCardType=4\r\n[地址：1]\r\nCardType=4\r\n");
    const ScreenRow row = {"TK300", "1", "串口通讯", "COM1", "9600",
                           "5005",  "0.0.0.0", "单色", "64", "32"};
    ASSERT_TRUE(SaveSettingsRows(m_path, {row}));
    const std::string saved = ReadFile();
    EXPECT_EQ(saved.substr(0, saved.find("[地址：0]")),
              "[CONT]\r\nnSel=1\r\nsTimeServer=ntp.lan:1123\r\nScreenCount=1\r\nbStart=1\r\n");
}

}  // namespace
}  // namespace tk
