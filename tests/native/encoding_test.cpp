#include <gtest/gtest.h>

#include <string>

// Narrow literals must come out as GBK bytes; everything the tool shows or stores relies on it.
TEST(Encoding, NarrowLiteralsAreGbk) {
    const std::string text = "状态：校时停止";
    const std::string gbk = "\xD7\xB4\xCC\xAC\xA3\xBA\xD0\xA3\xCA\xB1\xCD\xA3\xD6\xB9";
    EXPECT_EQ(text, gbk);
    EXPECT_EQ(std::string("地址："), "\xB5\xD8\xD6\xB7\xA3\xBA");
}
