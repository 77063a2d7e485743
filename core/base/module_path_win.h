// Windows only: paths of loaded modules.
#pragma once

#include <windows.h>

#include <string>

namespace tk {

// Full path of a loaded module (the executable for nullptr), however long; empty if it cannot
// be had.
std::string ModuleFilePath(HMODULE module);

// Full path of the running executable (ModuleFilePath of the process's own module).
std::string ExecutablePath();
// The same in UTF-16, for a path that the ANSI code page cannot spell.
std::wstring ExecutableWidePath();

}  // namespace tk
