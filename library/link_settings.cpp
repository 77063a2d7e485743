#include "library/link_settings.h"

#include <string>

#include "core/settings.h"

namespace tk {

const ScreenLink* LibrarySettings::Screen(int n) const {
    if (n < 1 || n > screenCount || n > static_cast<int>(screens.size())) return nullptr;
    return &screens[static_cast<size_t>(n - 1)];
}

// Every key of a screen section falls back to the ScreenLink default when missing.
LibrarySettings ReadLibrarySettings(IProfile& settings) {
    LibrarySettings result;
    result.screenCount = ReadScreenCount(settings);
    const int sections = result.screenCount < LibrarySettings::kMaxScreens
                             ? result.screenCount
                             : LibrarySettings::kMaxScreens;
    for (int i = 0; i < sections; ++i) {
        const std::string section = ScreenSectionName(i);
        const char* s = section.c_str();
        ScreenLink link;
        link.cardType = settings.GetInt(s, kCardTypeKey, link.cardType);
        link.cardAddress = settings.GetInt(s, kCardAddressKey, link.cardAddress);
        link.communicationMode = settings.GetInt(s, kCommunicationModeKey, link.communicationMode);
        link.serialBaud = settings.GetInt(s, kSerialBaudKey, link.serialBaud);
        link.serialNum = settings.GetInt(s, kSerialNumKey, link.serialNum);
        link.netPort = settings.GetInt(s, kNetPortKey, link.netPort);
        for (int k = 0; k < 4; ++k) link.ip[k] = settings.GetInt(s, kIpAddressKeys[k], link.ip[k]);
        result.screens.push_back(link);
    }
    return result;
}

}  // namespace tk
