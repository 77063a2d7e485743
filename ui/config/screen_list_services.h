// What the controller list window asks of the world besides the settings file: a window to edit
// one screen in, and the file dialogs of the exchange file. The program's entry builds the
// parameter window's editor and the platform's common dialogs; tests hand in their own.
#pragma once

#include <windows.h>

#include <string>

#include "core/screens/screen_row_codec.h"

namespace tk::ui {

// Edits the texts of one screen.
class IScreenEditor {
public:
    virtual ~IScreenEditor() = default;
    // Opens the editor for screen `number` (its default address) over owner. `given` holds the
    // texts of an existing row, or is null for a new screen. True when confirmed, with the
    // edited texts in `edited`; false when cancelled, `edited` untouched.
    virtual bool EditScreen(HWND owner, int number, const ScreenRow* given, ScreenRow& edited) = 0;
};

// Asks the user for an exchange file.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // An existing file to import; false when the user cancelled.
    virtual bool ChooseOpenPath(HWND owner, std::string& path) = 0;
    // A file to export into (asks before replacing one); false when the user cancelled.
    virtual bool ChooseSavePath(HWND owner, std::string& path) = 0;
};

// The parameter window, run modally.
class ParameterWindowEditor final : public IScreenEditor {
public:
    bool EditScreen(HWND owner, int number, const ScreenRow* given, ScreenRow& edited) override;
};

// The platform's common Open and Save dialogs.
class CommonFileDialogs final : public IFileChooser {
public:
    bool ChooseOpenPath(HWND owner, std::string& path) override;
    bool ChooseSavePath(HWND owner, std::string& path) override;
};

}  // namespace tk::ui
