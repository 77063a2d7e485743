// A stand-in for the file dialogs of the list window, for the Windows tests and benchmarks.
#pragma once

#include <windows.h>

#include <string>

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

}  // namespace tk_test
