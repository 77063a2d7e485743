#include "core/screens/screen_section.h"

#include <cstdio>
#include <string>

#include "core/store/settings.h"

namespace tk {

namespace {

// One key of a screen section, the group it belongs to and the field it fills.
struct ScreenKey {
    const char* name;
    unsigned group;
    int& (*field)(ScreenSection&);
};

// Every key of a screen section, in the order the file lists them.
constexpr ScreenKey kScreenKeys[] = {
    {kCardTypeKey, kLinkKeys, [](ScreenSection& s) -> int& { return s.cardType; }},
    {kCardAddressKey, kLinkKeys, [](ScreenSection& s) -> int& { return s.cardAddress; }},
    {kCommunicationModeKey, kAddressKeys,
     [](ScreenSection& s) -> int& { return s.communicationMode; }},
    {kScreemHeightKey, kDisplayKeys, [](ScreenSection& s) -> int& { return s.screemHeight; }},
    {kScreemWidthKey, kDisplayKeys, [](ScreenSection& s) -> int& { return s.screemWidth; }},
    {kSerialBaudKey, kLinkKeys, [](ScreenSection& s) -> int& { return s.serialBaud; }},
    {kSerialNumKey, kLinkKeys, [](ScreenSection& s) -> int& { return s.serialNum; }},
    {kNetPortKey, kLinkKeys, [](ScreenSection& s) -> int& { return s.netPort; }},
    {kIpAddressKeys[0], kAddressKeys, [](ScreenSection& s) -> int& { return s.ip[0]; }},
    {kIpAddressKeys[1], kAddressKeys, [](ScreenSection& s) -> int& { return s.ip[1]; }},
    {kIpAddressKeys[2], kAddressKeys, [](ScreenSection& s) -> int& { return s.ip[2]; }},
    {kIpAddressKeys[3], kAddressKeys, [](ScreenSection& s) -> int& { return s.ip[3]; }},
    {kColorStyleKey, kDisplayKeys, [](ScreenSection& s) -> int& { return s.colorStyle; }},
};

}  // namespace

// Every key falls back to the ScreenSection initial value when missing or empty.
ScreenSection ReadScreenSection(IProfileReader& settings, int index, unsigned groups) {
    const std::string name = ScreenSectionName(index);
    ScreenSection section;
    for (const ScreenKey& key : kScreenKeys) {
        if ((key.group & groups) == 0) continue;
        int& field = key.field(section);
        field = settings.GetInt(name.c_str(), key.name, field);
    }
    return section;
}

std::string DottedAddressText(const int (&numbers)[4]) {
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
    return text;
}

}  // namespace tk
