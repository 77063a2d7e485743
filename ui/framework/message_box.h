// The framework's message boxes. They all go through one replaceable hook, so tests can record
// them instead of leaving a modal box open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tk::ui {

// Shows one message box and returns the button chosen (IDOK, ...).
using MessageBoxHook =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Replaces the hook and returns the previous one; an empty hook restores MessageBoxA.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows text (GBK) with the application's title as caption.
int ShowMessageBox(HWND owner, const std::string& text, UINT type = MB_OK);

// The application's title: the executable's file name without directory and extension.
std::string AppTitle();

}  // namespace tk::ui
