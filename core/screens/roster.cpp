#include "core/screens/roster.h"

#include <cstring>

#include "core/base/dotted_address.h"
#include "core/store/settings.h"

namespace tk {

std::string AddressText(const ScreenEntry& entry) {
    return std::string(entry.address, strnlen(entry.address, sizeof entry.address));
}

// The text is read as it is kept, after the cut: a cut text is no address.
void SetAddress(ScreenEntry& entry, std::string_view text) {
    std::memset(entry.address, 0, sizeof entry.address);
    text.copy(entry.address, sizeof entry.address - 1);
    entry.ipv4.reset();
    if (const auto octets = ReadDottedAddress(AddressText(entry), DottedRule::kExact)) {
        entry.ipv4 = NetworkOrder(*octets);
    }
}

// Rebuilds entries 0..count-1 from the screen sections; later entries keep what they held.
void LoadRoster(IProfileReader& settings, ScreenRoster& roster) {
    int count = ReadScreenCount(settings);
    if (count < 0) count = 0;
    if (count > kMaxScreens) count = kMaxScreens;
    roster.count = count;

    for (int i = 0; i < count; ++i) {
        const ScreenSection section = ReadScreenSection(settings, i, kAddressKeys);
        ScreenEntry& entry = roster.entries[i];
        entry.number = i + 1;
        entry.network = section.Network() ? 1 : 0;
        // Hand-edited octets far outside 0..255 can make a text longer than the field: it is
        // cut, never written past.
        SetAddress(entry, DottedAddressText(section.ip));
    }
}

}  // namespace tk
