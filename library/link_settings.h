#pragma once

#include <vector>

#include "core/store/profile.h"
#include "core/screens/screen_section.h"

namespace tk {

// The screens the controller library knows, as last read from the settings file.
struct LibrarySettings {
    int screenCount = 0;                 // ScreenCount as read
    std::vector<ScreenSection> screens;  // sections 0 .. min(screenCount, kMaxScreens) - 1

    // The section of 1-based screen n; nullptr when n is not a screen of the file. Screen
    // numbers beyond kMaxScreens are never adjusted.
    const ScreenSection* Screen(int n) const;
};

// Reads "CONT"/ScreenCount and the sections "地址：0" onwards.
LibrarySettings ReadLibrarySettings(IProfileReader& settings);

}  // namespace tk
