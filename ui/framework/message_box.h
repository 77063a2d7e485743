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
// A process-wide hook rather than a service: every window and the framework's own prompts show
// boxes, and a test must answer them without a real modal box stopping it.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows text (GBK) with the application's title as caption.
int ShowMessageBox(HWND owner, const std::string& text, UINT type = MB_OK);

// The application's title: the executable's file name without directory and extension.
std::string AppTitle();

}  // namespace tk::ui
