#pragma once

#include <string>

#include "core/store/profile.h"
#include "core/store/screen_file_layout.h"

namespace tk {

// Most screens a settings file is read for; sections beyond it are never read.
inline constexpr int kMaxScreens = 300;

// One screen section of the settings file. The initial values are what a missing or empty key
// reads as, for every reader of the file.
struct ScreenSection {
    int cardType = 21;               // CardType, the controller model code
    int cardAddress = 0;             // CardAddress, 0-based
    int communicationMode = 0;       // CommunicationMode: 1 = network, anything else = serial
    int screemHeight = 32;           // ScreemHeight
    int screemWidth = 64;            // ScreemWidth
    int serialBaud = 57600;          // SerialBaud
    int serialNum = 1;               // SerialNum, the n of "COMn"
    int netPort = 5005;              // NetPort
    int ip[4] = {192, 168, 1, 236};  // IpAddress0..3
    int colorStyle = 1;              // ColorStyle: 0 single, 1 double, 2 full colour

    // The roster and the controller library take only exactly 1 for a network screen.
    bool Network() const { return communicationMode == 1; }
};

// Groups of keys a reader can ask for; the keys of the other groups keep their defaults, so
// that loading a long list reads no more of the file than it needs.
enum ScreenKeyGroups : unsigned {
    kAddressKeys = 1u,  // CommunicationMode, IpAddress0..3: what the roster needs
    kLinkKeys = 2u,     // CardType, CardAddress, SerialBaud, SerialNum, NetPort
    kDisplayKeys = 4u,  // ScreemHeight, ScreemWidth, ColorStyle
    kAllScreenKeys = kAddressKeys | kLinkKeys | kDisplayKeys,
};

// Reads the section "地址：index" (0-based), key by key in the order the file lists them.
ScreenSection ReadScreenSection(IProfileReader& settings, int index,
                                unsigned groups = kAllScreenKeys);

// "%d.%d.%d.%d" of four numbers: the address text of the roster, the list and the parameter
// window. At most 47 characters.
std::string DottedAddressText(const int (&numbers)[4]);

}  // namespace tk
