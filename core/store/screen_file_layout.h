#pragma once

#include <string>

namespace tk {

// The two files that hold screens, side by side: the settings file, shared with the controller
// library, and the exchange file that the list window imports and exports. Both count their
// screens as ScreenCount in section CONT and keep screen i (0-based) in a section of its own,
// "地址：i" in the one and "Screeni" in the other, with these keys, in the order the files list
// them (where the values differ, settings / exchange):
//
//   settings           exchange
//   CardType           nCtrlType      the controller model, by codes that differ per file
//   CardAddress        nCtrlAddress   0-based / 1-based, as the list shows it
//   CommunicationMode  nCommType      1 network, else serial
//   ScreemHeight       nHeight
//   ScreemWidth        nWidth
//   SerialBaud         nSerialType    the baud rate / its code: 0 9600, 1 57600, 2 115200
//   SerialNum          nSerialNum     the n of "COMn"
//   NetPort            nNetPort
//   IpAddress0..3      sNetAdderrs    four numbers / one dotted text
//   ColorStyle         nColorOrder    0 single, 1 double, 2 full colour / 0 single, 1 double

// Both files.
inline constexpr char kGlobalSection[] = "CONT";
inline constexpr char kScreenCountKey[] = "ScreenCount";

// The settings file, keys as the controller library spells them.
inline constexpr char kScreenSectionPrefix[] = "地址：";
inline constexpr char kCardTypeKey[] = "CardType";
inline constexpr char kCardAddressKey[] = "CardAddress";
inline constexpr char kCommunicationModeKey[] = "CommunicationMode";
inline constexpr char kScreemHeightKey[] = "ScreemHeight";
inline constexpr char kScreemWidthKey[] = "ScreemWidth";
inline constexpr char kSerialBaudKey[] = "SerialBaud";
inline constexpr char kSerialNumKey[] = "SerialNum";
inline constexpr char kNetPortKey[] = "NetPort";
inline constexpr char kIpAddressKeys[4][11] = {"IpAddress0", "IpAddress1", "IpAddress2",
                                               "IpAddress3"};
inline constexpr char kColorStyleKey[] = "ColorStyle";

// The exchange file.
inline constexpr char kExchangeSectionPrefix[] = "Screen";
inline constexpr char kCtrlTypeKey[] = "nCtrlType";
inline constexpr char kCtrlAddressKey[] = "nCtrlAddress";
inline constexpr char kCommTypeKey[] = "nCommType";
inline constexpr char kHeightKey[] = "nHeight";
inline constexpr char kWidthKey[] = "nWidth";
inline constexpr char kSerialTypeKey[] = "nSerialType";
inline constexpr char kExchangeSerialNumKey[] = "nSerialNum";
inline constexpr char kExchangeNetPortKey[] = "nNetPort";
inline constexpr char kNetAdderrsKey[] = "sNetAdderrs";
inline constexpr char kColorOrderKey[] = "nColorOrder";

// Section "地址：index" of the settings file, for a 0-based index.
std::string ScreenSectionName(int index);

// Section "Screenindex" of the exchange file, for a 0-based index.
std::string ExchangeSectionName(int index);

}  // namespace tk
