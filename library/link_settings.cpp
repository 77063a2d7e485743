#include "library/link_settings.h"

#include "core/store/settings.h"

namespace tk {

const ScreenSection* LibrarySettings::Screen(int n) const {
    if (n < 1 || n > screenCount || n > static_cast<int>(screens.size())) return nullptr;
    return &screens[static_cast<size_t>(n - 1)];
}

LibrarySettings ReadLibrarySettings(IProfileReader& settings) {
    LibrarySettings result;
    result.screenCount = ReadScreenCount(settings);
    const int sections = result.screenCount < kMaxScreens ? result.screenCount : kMaxScreens;
    for (int i = 0; i < sections; ++i) {
        // The display keys are the list window's; the library never reads them.
        result.screens.push_back(ReadScreenSection(settings, i, kAddressKeys | kLinkKeys));
    }
    return result;
}

}  // namespace tk
