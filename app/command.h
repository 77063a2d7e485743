// The program's command line (core/base/command_line.h) on this system: /register and
// /unregister for the executable's own folder, and what a normal start loads first.
#pragma once

#include <cstdint>

#include "core/base/command_line.h"

// Runs /register or /unregister, or refuses a command line it does not know, without a window
// and without looking for a running copy; writes one line to the log beside the executable.
// Returns the exit code: 0, or the Windows error code of what failed.
std::uint32_t RunCommand(const tk::Command& command);

// Loads the controller library beside the executable (by its name, as the loader searches), on
// which every pass is bound at its first call; a library that cannot be loaded is said in a
// message box, as the system's loader says a missing import, and its error returned. 0: loaded,
// for as long as the program runs.
std::uint32_t LoadControllerLibrary();
