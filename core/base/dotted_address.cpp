#include "core/base/dotted_address.h"

#include <climits>
#include <cstring>

namespace tk {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One number of a dotted text under rule from text[at], saturated to int; false, at unchanged,
// when the rule finds none there. kExact takes digits only and refuses a leading zero.
bool ScanNumber(std::string_view text, DottedRule rule, std::size_t& at, int& number) {
    long long value = 0;
    if (rule == DottedRule::kExact) {
        if (at == text.size() || !IsDigit(text[at])) return false;
        if (text[at] == '0' && at + 1 < text.size() && IsDigit(text[at + 1])) return false;
        std::size_t end = at;
        if (!ScanDecimal(text, end, value)) return false;
        at = end;
    } else if (!ScanDecimal(text, at, value)) {
        return false;
    }
    number = static_cast<int>(value > INT_MAX ? INT_MAX : value);
    return true;
}

// ScanDottedNumbers, with where the scan stopped.
int ScanFrom(std::string_view text, DottedRule rule, int (&numbers)[4], std::size_t& at) {
    at = 0;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (at == text.size() || text[at] != '.') return k;
            ++at;
        }
        if (!ScanNumber(text, rule, at, numbers[k])) return k;
    }
    return 4;
}

}  // namespace

bool ScanDecimal(std::string_view text, std::size_t& at, long long& number) {
    constexpr long long kAbove = static_cast<long long>(INT_MAX) + 1;
    std::size_t i = at;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size() || !IsDigit(text[i])) return false;
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (value <= kAbove) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    number = value > kAbove ? kAbove : value < INT_MIN ? INT_MIN : value;
    at = i;
    return true;
}

int ScanDottedNumbers(std::string_view text, DottedRule rule, int (&numbers)[4]) {
    std::size_t at = 0;
    return ScanFrom(text, rule, numbers, at);
}

// kExact also wants the text to end after the fourth number.
std::optional<Ipv4Octets> ReadDottedAddress(std::string_view text, DottedRule rule) {
    int numbers[4] = {};
    std::size_t at = 0;
    if (ScanFrom(text, rule, numbers, at) != 4) return std::nullopt;
    if (rule == DottedRule::kExact && at != text.size()) return std::nullopt;
    Ipv4Octets octets{};
    for (int k = 0; k < 4; ++k) {
        if (numbers[k] < 0 || numbers[k] > 255) return std::nullopt;
        octets[k] = static_cast<std::uint8_t>(numbers[k]);
    }
    return octets;
}

std::uint32_t NetworkOrder(const Ipv4Octets& octets) {
    std::uint32_t address = 0;
    std::memcpy(&address, octets.data(), sizeof address);
    return address;
}

}  // namespace tk
