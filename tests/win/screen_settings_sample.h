// A settings file of many screens and the list window's save sequence, shared by the settings
// store's tests under Wine and its benchmark.
#pragma once

#include <string>

#include "core/store/profile.h"
#include "core/store/settings.h"

namespace tk_test {

// The thirteen keys of a screen section, in the order the list window writes them.
inline const char* const kScreenKeys[13] = {
    tk::kCardTypeKey,      tk::kCardAddressKey,   tk::kCommunicationModeKey, tk::kScreemHeightKey,
    tk::kScreemWidthKey,   tk::kSerialBaudKey,    tk::kSerialNumKey,         tk::kNetPortKey,
    tk::kIpAddressKeys[0], tk::kIpAddressKeys[1], tk::kIpAddressKeys[2],     tk::kIpAddressKeys[3],
    tk::kColorStyleKey};

// Value of key k of screen row in save round round (round 0 is the sample file's content).
// Loopback addresses only, so nothing read from the sample can reach a real host.
inline std::string ScreenValue(int row, int k, int round) {
    switch (k) {
        case 2:
            return std::to_string((row + round) % 2);  // CommunicationMode
        case 8:
            return "127";
        case 9:
            return "0";
        case 10:
            return std::to_string(row / 250);
        case 11:
            return std::to_string(row % 250 + 1);
        default:
            return std::to_string(round * 1000 + row * 16 + k);
    }
}

// A settings file as the tool leaves it: [CONT] with ScreenCount and the other globals, then
// screens sections "地址：0".."地址：n-1" of thirteen keys each, CRLF line ends.
inline std::string ScreenSettingsFile(int screens) {
    std::string text = "[CONT]\r\nScreenCount=" + std::to_string(screens) +
                       "\r\nnSel=2\r\nTimer=1\r\nbStart=0\r\n";
    for (int i = 0; i < screens; ++i) {
        text += "[" + tk::ScreenSectionName(i) + "]\r\n";
        for (int k = 0; k < 13; ++k)
            text += std::string(kScreenKeys[k]) + "=" + ScreenValue(i, k, 0) + "\r\n";
    }
    return text;
}

// The list window's save: ScreenCount, then the thirteen keys of every row in order.
inline bool SaveScreens(tk::IProfile& p, int screens, int round) {
    bool ok = tk::WriteScreenCount(p, screens);
    for (int i = 0; i < screens; ++i) {
        const std::string section = tk::ScreenSectionName(i);
        for (int k = 0; k < 13; ++k)
            ok = p.WriteString(section.c_str(), kScreenKeys[k], ScreenValue(i, k, round).c_str()) &&
                 ok;
    }
    return ok;
}

// Reads every key of the first screens sections; the sum of the values, so that no read can
// be skipped.
inline long long ReadScreens(tk::IProfile& p, int screens) {
    long long sum = tk::ReadScreenCount(p);
    for (int i = 0; i < screens; ++i) {
        const std::string section = tk::ScreenSectionName(i);
        for (const char* key : kScreenKeys) sum += p.GetInt(section.c_str(), key, 0);
    }
    return sum;
}

}  // namespace tk_test
