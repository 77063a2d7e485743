#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/screens/screen_section.h"
#include "core/store/profile.h"

namespace tk {

// One screen as the pass needs it.
struct ScreenEntry {
    int32_t number = 0;     // screen number, section index + 1
    int32_t network = 0;    // 1 when CommunicationMode is exactly 1
    char address[32] = {};  // "%d.%d.%d.%d" of IpAddress0..3, NUL-terminated: what the log shows
    // The address the text reads as (network byte order), read once by SetAddress; none for a
    // text that is no address, which the pass then never probes.
    std::optional<std::uint32_t> ipv4;
};

// The main window's table of screens, rebuilt in place by LoadRoster.
struct ScreenRoster {
    std::array<ScreenEntry, kMaxScreens> entries{};
    int32_t count = 0;  // entries in use, 0..kMaxScreens
};

// The address text of an entry, up to its terminating zero.
std::string AddressText(const ScreenEntry& entry);

// Puts an address text into an entry, cut to 31 bytes, with the address it reads as: four
// decimal numbers 0-255 and nothing else (DottedRule::kExact), never looked up as a name.
void SetAddress(ScreenEntry& entry, std::string_view text);

// Reads ScreenCount (clamped into 0..kMaxScreens) and each screen's mode and address.
void LoadRoster(IProfileReader& settings, ScreenRoster& roster);

}  // namespace tk
