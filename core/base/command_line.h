// The program's command line: a normal start takes none; an installer runs it elevated with
// /register (and the settings it hands over) or /unregister.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

// The arguments after the program's name, split as Windows' C runtime splits them: blanks
// separate, quotes group, 2n backslashes before a quote give n and the quote groups, 2n+1 give
// n and a quote, two quotes inside quotes give one. Bytes are GBK: a double-byte character is
// never taken apart, even when its second byte is a backslash.
std::vector<std::string> SplitCommandLine(std::string_view text);

// What a start was asked to do.
enum class CommandKind {
    kRun,         // no arguments: the main window
    kRegister,    // /register
    kUnregister,  // /unregister
    kInvalid,     // anything else: nothing is done
};

// The values /register was given; an absent one, or one given empty, leaves its key as it is
// (so that an installer can always pass all of them).
struct RegisterArguments {
    std::optional<std::string> timeServer;      // TIMESERVER=: sTimeServer
    std::optional<std::string> metricsFile;     // METRICSFILE=: sMetricsFile
    std::optional<std::string> maxClockOffset;  // MAXCLOCKOFFSET=: nMaxClockOffset, 1 to 54000
    std::optional<std::string> controllerDll;   // CONTROLLERDLL=: the library to copy in
};

struct Command {
    CommandKind kind = CommandKind::kRun;
    RegisterArguments arguments;
    std::string refused;  // kInvalid: the argument at fault, as given
};

// The switches: "/" or "-" and the name, whatever its case.
inline constexpr char kRegisterSwitch[] = "register";
inline constexpr char kUnregisterSwitch[] = "unregister";
// /register's named values, whatever their case.
inline constexpr char kTimeServerArgument[] = "TIMESERVER";
inline constexpr char kMetricsFileArgument[] = "METRICSFILE";
inline constexpr char kMaxClockOffsetArgument[] = "MAXCLOCKOFFSET";
inline constexpr char kControllerDllArgument[] = "CONTROLLERDLL";

// The command of a command line (without the program's name). An unknown switch or name, a
// value of /register given twice, an argument of /unregister, or a MAXCLOCKOFFSET that is no
// whole number from 1 to 54000 make it kInvalid.
Command ParseCommandLine(std::string_view text);

}  // namespace tk
