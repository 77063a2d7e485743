#include "core/base/command_line.h"

#include <cstdlib>
#include <utility>

#include "core/base/gbk.h"

namespace tk {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// ASCII letters only: the names are ASCII, and a GBK byte must not fold.
bool SameName(std::string_view text, std::string_view name) {
    if (text.size() != name.size()) return false;
    for (std::string_view::size_type i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        char n = name[i];
        if (n >= 'a' && n <= 'z') n = static_cast<char>(n - 'a' + 'A');
        if (c != n) return false;
    }
    return true;
}

// "/name" or "-name".
bool IsSwitch(std::string_view argument, std::string_view name) {
    return !argument.empty() && (argument[0] == '/' || argument[0] == '-') &&
           SameName(argument.substr(1), name);
}

// The bound as the program reads it (settings.h): digits only, 1 to 54000.
bool IsClockOffset(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value >= 1 && value <= 54000;
}

// Takes NAME=value into its slot (an empty value leaves it absent); false for an unknown name,
// one given before (also empty: two of one name is the caller's mistake), or a bad value.
bool TakeValue(const std::string& argument, RegisterArguments& arguments, unsigned& given) {
    const std::string::size_type equals = argument.find('=');
    if (equals == std::string::npos) return false;
    const std::string_view name = std::string_view(argument).substr(0, equals);
    const std::string value = argument.substr(equals + 1);
    struct Slot {
        const char* name;
        std::optional<std::string> RegisterArguments::*member;
    };
    static const Slot kSlots[] = {
        {kTimeServerArgument, &RegisterArguments::timeServer},
        {kMetricsFileArgument, &RegisterArguments::metricsFile},
        {kMaxClockOffsetArgument, &RegisterArguments::maxClockOffset},
        {kControllerDllArgument, &RegisterArguments::controllerDll},
    };
    for (unsigned i = 0; i < sizeof kSlots / sizeof kSlots[0]; ++i) {
        if (!SameName(name, kSlots[i].name)) continue;
        if ((given & (1u << i)) != 0) return false;
        given |= 1u << i;
        if (kSlots[i].member == &RegisterArguments::maxClockOffset && !value.empty() &&
            !IsClockOffset(value)) {
            return false;
        }
        if (!value.empty()) arguments.*kSlots[i].member = value;
        return true;
    }
    return false;
}

}  // namespace

// The rules of the C runtime's own split (and of CommandLineToArgvW for every argument but the
// program's name).
std::vector<std::string> SplitCommandLine(std::string_view text) {
    std::vector<std::string> arguments;
    std::string::size_type i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsBlank(text[i]))) {
            const char c = text[i];
            if (IsGbkLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
                argument.append(text.substr(i, 2));
                i += 2;
            } else if (c == '\\') {
                std::string::size_type backslashes = 0;
                while (i < text.size() && text[i] == '\\') ++backslashes, ++i;
                if (i < text.size() && text[i] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        argument.push_back('"');
                        ++i;
                    }
                } else {
                    argument.append(backslashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    argument.push_back('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument.push_back(c);
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

Command ParseCommandLine(std::string_view text) {
    const std::vector<std::string> arguments = SplitCommandLine(text);
    Command command;
    if (arguments.empty()) return command;
    const auto refuse = [&command](const std::string& argument) {
        command = Command{};
        command.kind = CommandKind::kInvalid;
        command.refused = argument;
        return command;
    };
    if (IsSwitch(arguments[0], kUnregisterSwitch)) {
        if (arguments.size() > 1) return refuse(arguments[1]);
        command.kind = CommandKind::kUnregister;
        return command;
    }
    if (!IsSwitch(arguments[0], kRegisterSwitch)) return refuse(arguments[0]);
    command.kind = CommandKind::kRegister;
    unsigned given = 0;  // a bit for each name met, also with an empty value
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (!TakeValue(arguments[i], command.arguments, given)) return refuse(arguments[i]);
    }
    return command;
}

}  // namespace tk
