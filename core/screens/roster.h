#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/store/profile.h"
#include "core/screens/screen_section.h"

namespace tk {

// One screen as the pass needs it.
struct ScreenEntry {
    int32_t number = 0;     // screen number, section index + 1
    int32_t network = 0;    // 1 when CommunicationMode is exactly 1
    char address[32] = {};  // "%d.%d.%d.%d" of IpAddress0..3, NUL-terminated
};

// The main window's table of screens, rebuilt in place by LoadRoster.
struct ScreenRoster {
    std::array<ScreenEntry, kMaxScreens> entries{};
    int32_t count = 0;  // entries in use, 0..kMaxScreens
};

// The address text of an entry, up to its terminating zero.
std::string AddressText(const ScreenEntry& entry);

// Reads ScreenCount (clamped into 0..kMaxScreens) and each screen's mode and address.
void LoadRoster(IProfileReader& settings, ScreenRoster& roster);

}  // namespace tk
