// The one reader of dotted IPv4 texts under each of its rules: the exact one a screen's address
// is read by, the scanf-like one of the list window's texts.
#include "core/base/dotted_address.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

using tk::DottedRule;

// An address text is read as four decimal numbers 0-255 and nothing else (what the settings
// hold is written so); no name is looked up.
TEST(DottedAddress, ExactTextIsFourDecimalNumbers) {
    const struct {
        const char* text;
        bool read;
        unsigned char bytes[4];
    } cases[] = {
        {"127.0.0.9", true, {127, 0, 0, 9}},
        {"0.0.0.0", true, {0, 0, 0, 0}},
        {"255.255.255.255", true, {255, 255, 255, 255}},
        {"192.168.10.236", true, {192, 168, 10, 236}},
        {"", false, {}},
        {"1.2.3", false, {}},
        {"1.2.3.4.5", false, {}},
        {"256.1.1.1", false, {}},
        {"1.2.3.1000", false, {}},
        {"1.2.3.4294967301", false, {}},
        {"192168.1.1", false, {}},
        {"1.2.3.4x", false, {}},
        {" 1.2.3.4", false, {}},
        {"1.2.3.4 ", false, {}},
        {"01.2.3.4", false, {}},
        {"1..2.3", false, {}},
        {"-1.2.3.4", false, {}},
        {"+1.2.3.4", false, {}},
        {"0x7f.0.0.1", false, {}},
        {"127.1", false, {}},
        {"localhost", false, {}},
        {"127.0.0.10000000", false, {}},
        {"-2147483648.-2147483648.-214748", false, {}},
    };
    for (const auto& c : cases) {
        const std::optional<tk::Ipv4Octets> octets =
            tk::ReadDottedAddress(c.text, DottedRule::kExact);
        EXPECT_EQ(octets.has_value(), c.read) << c.text;
        if (octets) {
            // In network byte order: the first number is the first byte on the wire.
            const std::uint32_t address = tk::NetworkOrder(*octets);
            EXPECT_EQ(std::memcmp(&address, c.bytes, 4), 0) << c.text;
        }
    }
}

// The scan counts the numbers it read and leaves the others alone, as sscanf does.
TEST(DottedAddress, DottedNumbersScanLikeScanf) {
    const struct {
        const char* text;
        int count;
        int numbers[4];
    } cases[] = {
        {"10.0.0.5", 4, {10, 0, 0, 5}},  {"1.2", 2, {1, 2, -7, -7}},
        {"-", 0, {-7, -7, -7, -7}},      {"4294967296.1.1.1", 4, {2147483647, 1, 1, 1}},
        {"1.2.3.4.5", 4, {1, 2, 3, 4}},  {"\t7.8.9.-0", 4, {7, 8, 9, 0}},
        {"1.-.3.4", 1, {1, -7, -7, -7}},
    };
    for (const auto& c : cases) {
        int numbers[4] = {-7, -7, -7, -7};
        EXPECT_EQ(tk::ScanDottedNumbers(c.text, DottedRule::kScanf, numbers), c.count) << c.text;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(numbers[k], c.numbers[k]) << c.text << " " << k;
    }
}

// The exact rule stops at the first number that is not plain digits without a leading zero;
// what follows the fourth is not its count's business.
TEST(DottedAddress, ExactScanStopsWhereTheFormEnds) {
    const struct {
        const char* text;
        int count;
        int numbers[4];
    } cases[] = {
        {"10.0.0.5", 4, {10, 0, 0, 5}},    {"1.02.3.4", 1, {1, -7, -7, -7}},
        {" 1.2.3.4", 0, {-7, -7, -7, -7}}, {"1.+2.3.4", 1, {1, -7, -7, -7}},
        {"1.2.3.4x", 4, {1, 2, 3, 4}},     {"1.2.3.99999999999", 4, {1, 2, 3, 2147483647}},
        {"0.00.1.1", 1, {0, -7, -7, -7}},
    };
    for (const auto& c : cases) {
        int numbers[4] = {-7, -7, -7, -7};
        EXPECT_EQ(tk::ScanDottedNumbers(c.text, DottedRule::kExact, numbers), c.count) << c.text;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(numbers[k], c.numbers[k]) << c.text << " " << k;
    }
}

// The same texts under both rules: an address ("" for none) under each.
TEST(DottedAddress, TheTwoRulesSideBySide) {
    const struct {
        const char* text;
        const char* exact;
        const char* scanf;
    } cases[] = {
        {"127.0.0.5", "127.0.0.5", "127.0.0.5"},
        {" 127.0.0.5", "", "127.0.0.5"},
        {"127. 0.+0.5", "", "127.0.0.5"},
        {"127.0.0.5 ", "", "127.0.0.5"},
        {"127.0.0.5x", "", "127.0.0.5"},
        {"127.0.0.5.6", "", "127.0.0.5"},
        {"0127.000.0.05", "", "127.0.0.5"},
        {"-0.0.0.1", "", "0.0.0.1"},
        {"255.255.255.255", "255.255.255.255", "255.255.255.255"},
        {"256.0.0.1", "", ""},
        {"-1.0.0.1", "", ""},
        {"1.2.3", "", ""},
        {"1 .2.3.4", "", ""},
        {"99999999999.1.2.3", "", ""},
        {"错误", "", ""},
        {"", "", ""},
    };
    const auto shown = [](const std::optional<tk::Ipv4Octets>& octets) {
        if (!octets) return std::string();
        std::string text;
        for (std::size_t k = 0; k < 4; ++k) text += (k ? "." : "") + std::to_string((*octets)[k]);
        return text;
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(tk::ReadDottedAddress(c.text, DottedRule::kExact)), c.exact) << c.text;
        EXPECT_EQ(shown(tk::ReadDottedAddress(c.text, DottedRule::kScanf)), c.scanf) << c.text;
    }
}

}  // namespace
