// What the list window is handed in the Windows tests and benchmarks: a stand-in for the file
// dialogs, and the settings file at a path as the program's entry hands it over.
#pragma once

#include <windows.h>

#include <string>

#include "core/screens/settings_file.h"
#include "core/store/win32_profile_win.h"
#include "ui/config/screen_list_services.h"

namespace tk_test {

// Hands the file dialogs' paths from the caller; an empty path stands for Cancel.
class ScriptedFiles : public tk::ui::IFileChooser {
public:
    std::string openPath;
    std::string savePath;
    int opens = 0;
    int saves = 0;

    bool ChooseOpenPath(HWND, std::string& path) override {
        ++opens;
        path = openPath;
        return !openPath.empty();
    }
    bool ChooseSavePath(HWND, std::string& path) override {
        ++saves;
        path = savePath;
        return !savePath.empty();
    }
};

// The settings file service on the file at path, with the profile API beside it.
struct SettingsFileAt {
    explicit SettingsFileAt(const std::string& path) : api(path), file(path, api) {}
    SettingsFileAt(const SettingsFileAt&) = delete;
    SettingsFileAt& operator=(const SettingsFileAt&) = delete;

    tk::Win32Profile api;
    tk::SettingsFile file;
};

}  // namespace tk_test
