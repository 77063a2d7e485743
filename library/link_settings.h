#pragma once

#include <vector>

#include "core/profile.h"

namespace tk {

// How the controller library reaches one screen, from its section of the settings file.
struct ScreenLink {
    int cardType = 21;               // CardType, the controller model code
    int cardAddress = 0;             // CardAddress, 0-based
    int communicationMode = 0;       // CommunicationMode: 1 = network, anything else = serial
    int serialBaud = 57600;          // SerialBaud
    int serialNum = 1;               // SerialNum, the n of "COMn"
    int netPort = 5005;              // NetPort
    int ip[4] = {192, 168, 1, 236};  // IpAddress0..3

    bool Network() const { return communicationMode == 1; }
};

// The screens the controller library knows, as last read from the settings file.
struct LibrarySettings {
    // Sections read at most; screen numbers beyond it are not adjusted.
    static constexpr int kMaxScreens = 300;
    int screenCount = 0;              // ScreenCount as read
    std::vector<ScreenLink> screens;  // sections 0 .. min(screenCount, kMaxScreens) - 1

    // The link of 1-based screen n; nullptr when n is not a screen of the file.
    const ScreenLink* Screen(int n) const;
};

// Reads "CONT"/ScreenCount and the sections "地址：0" onwards.
LibrarySettings ReadLibrarySettings(IProfile& settings);

}  // namespace tk
