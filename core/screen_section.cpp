#include "core/screen_section.h"

#include <string>

#include "core/settings.h"

namespace tk {

// Every key falls back to the ScreenSection initial value when missing or empty.
ScreenSection ReadScreenSection(IProfile& settings, int index) {
    const std::string name = ScreenSectionName(index);
    const char* s = name.c_str();
    ScreenSection section;
    section.cardType = settings.GetInt(s, kCardTypeKey, section.cardType);
    section.cardAddress = settings.GetInt(s, kCardAddressKey, section.cardAddress);
    section.communicationMode =
        settings.GetInt(s, kCommunicationModeKey, section.communicationMode);
    section.screemHeight = settings.GetInt(s, kScreemHeightKey, section.screemHeight);
    section.screemWidth = settings.GetInt(s, kScreemWidthKey, section.screemWidth);
    section.serialBaud = settings.GetInt(s, kSerialBaudKey, section.serialBaud);
    section.serialNum = settings.GetInt(s, kSerialNumKey, section.serialNum);
    section.netPort = settings.GetInt(s, kNetPortKey, section.netPort);
    for (int k = 0; k < 4; ++k) {
        section.ip[k] = settings.GetInt(s, kIpAddressKeys[k], section.ip[k]);
    }
    section.colorStyle = settings.GetInt(s, kColorStyleKey, section.colorStyle);
    return section;
}

}  // namespace tk
