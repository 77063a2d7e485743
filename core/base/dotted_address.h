// Dotted IPv4 texts ("a.b.c.d"): one scanner for every reader, each naming the rule it reads by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tk {

// How strictly a dotted text is read.
enum class DottedRule {
    // Four decimal numbers 0-255 joined by dots and nothing else: no blank, sign or leading
    // zero, nothing after the fourth. What "%d.%d.%d.%d" writes for an address; a screen's
    // address is read so, and never looked up as a name.
    kExact,
    // As sscanf's "%d.%d.%d.%d" reads: blanks and a sign before each number, anything after the
    // fourth. A number beyond int, where sscanf is undefined, is saturated. What the list
    // window's texts are read by.
    kScanf,
};

// The four bytes of an IPv4 address, first (leftmost) first.
using Ipv4Octets = std::array<std::uint8_t, 4>;

// One "%d" of a scan from text[at]: blanks, an optional sign, at least one digit; the number
// saturated to INT_MIN below and to INT_MAX + 1 above. False, at unchanged, when no digit
// follows.
bool ScanDecimal(std::string_view text, std::size_t& at, long long& number);

// The numbers of a dotted text read by rule, each saturated to int; how many were read (0-4).
// Numbers the text does not give keep their values.
int ScanDottedNumbers(std::string_view text, DottedRule rule, int (&numbers)[4]);

// The address a dotted text gives by rule: four numbers read, each 0-255. Nothing otherwise.
std::optional<Ipv4Octets> ReadDottedAddress(std::string_view text, DottedRule rule);

// The address as sockets take it, in network byte order.
std::uint32_t NetworkOrder(const Ipv4Octets& octets);

}  // namespace tk
