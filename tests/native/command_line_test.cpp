// The command line an installer gives the program: split as Windows splits it, then read as
// /register with its values, /unregister, a normal start, or refused.
#include "core/base/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLine, SplitsAsWindowsDoes) {
    const struct {
        const char* text;
        Arguments arguments;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"/register", {"/register"}},
        {"  /register \t TIMESERVER=a  ", {"/register", "TIMESERVER=a"}},
        // Quotes group, and are dropped wherever they stand in an argument.
        {"TIMESERVER=\"a b\" x", {"TIMESERVER=a b", "x"}},
        {"\"METRICSFILE=C:\\Program Files\\m.prom\"", {"METRICSFILE=C:\\Program Files\\m.prom"}},
        // An empty pair of quotes is an empty value, not no argument.
        {"TIMESERVER=\"\" METRICSFILE=\"\"", {"TIMESERVER=", "METRICSFILE="}},
        {"\"\"", {""}},
        // Backslashes are literal unless a quote follows them.
        {"CONTROLLERDLL=C:\\a\\b.dll", {"CONTROLLERDLL=C:\\a\\b.dll"}},
        // 2n backslashes and a quote: n backslashes, and the quote groups (a folder that an
        // installer ends with a backslash, quoted: "C:\dir\\").
        {"A=\"C:\\dir\\\\\" B", {"A=C:\\dir\\", "B"}},
        // 2n+1 backslashes and a quote: n backslashes and a quote.
        {"A=\\\"x\\\" B", {"A=\"x\"", "B"}},
        {"A=\"x\\\\\\\"y\"", {"A=x\\\"y"}},
        // Two quotes inside quotes give one.
        {"A=\"x\"\"y\" B", {"A=x\"y", "B"}},
        // An unclosed quote runs to the end.
        {"A=\"x y", {"A=x y"}},
        // GBK: 表 is B1 ED, and 乗 (81 5C) ends in a byte that reads as a backslash; neither is
        // taken apart, and the quote after the second closes.
        {"A=\"C:\\\xB1\xED\\\x81\x5C\" B", {"A=C:\\\xB1\xED\\\x81\x5C", "B"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tk::SplitCommandLine(c.text), c.arguments) << c.text;
    }
}

// One case of the reading: the command, the four values (nullopt: left as it is) or the
// argument refused.
struct Reading {
    const char* text;
    tk::CommandKind kind;
    std::optional<std::string> timeServer, metricsFile, maxClockOffset, controllerDll;
    std::string refused;
};

void ExpectReading(const Reading& c) {
    const tk::Command command = tk::ParseCommandLine(c.text);
    EXPECT_EQ(command.kind, c.kind) << c.text;
    EXPECT_EQ(command.arguments.timeServer, c.timeServer) << c.text;
    EXPECT_EQ(command.arguments.metricsFile, c.metricsFile) << c.text;
    EXPECT_EQ(command.arguments.maxClockOffset, c.maxClockOffset) << c.text;
    EXPECT_EQ(command.arguments.controllerDll, c.controllerDll) << c.text;
    EXPECT_EQ(command.refused, c.refused) << c.text;
}

constexpr auto kRun = tk::CommandKind::kRun;
constexpr auto kRegister = tk::CommandKind::kRegister;
constexpr auto kUnregister = tk::CommandKind::kUnregister;
constexpr auto kInvalid = tk::CommandKind::kInvalid;
const std::nullopt_t none = std::nullopt;

TEST(CommandLine, ReadsTheSwitchesWhateverTheirCaseAndPrefix) {
    const Reading cases[] = {
        {"", kRun, none, none, none, none, ""},
        {"  ", kRun, none, none, none, none, ""},
        {"/register", kRegister, none, none, none, none, ""},
        {"-register", kRegister, none, none, none, none, ""},
        {"/REGISTER", kRegister, none, none, none, none, ""},
        {"-ReGiStEr", kRegister, none, none, none, none, ""},
        {"\"/register\"", kRegister, none, none, none, none, ""},
        {"/unregister", kUnregister, none, none, none, none, ""},
        {"-UNREGISTER", kUnregister, none, none, none, none, ""},
        {"/Unregister", kUnregister, none, none, none, none, ""},
    };
    for (const Reading& c : cases) ExpectReading(c);
}

TEST(CommandLine, TakesRegistersValuesAndLeavesEmptyOnesAlone) {
    const Reading cases[] = {
        {"/register TIMESERVER=ntp.example.org:123 METRICSFILE=C:\\m\\tk.prom "
         "MAXCLOCKOFFSET=300 CONTROLLERDLL=D:\\vendor\\TK100_Dll.dll",
         kRegister, "ntp.example.org:123", "C:\\m\\tk.prom", "300", "D:\\vendor\\TK100_Dll.dll",
         ""},
        // As the installer passes them, every one quoted, some empty.
        {"/register TIMESERVER=\"127.0.0.1\" METRICSFILE=\"\" MAXCLOCKOFFSET=\"\" "
         "CONTROLLERDLL=\"\"",
         kRegister, "127.0.0.1", none, none, none, ""},
        {"/register TIMESERVER= METRICSFILE= MAXCLOCKOFFSET= CONTROLLERDLL=", kRegister, none, none,
         none, none, ""},
        // Names whatever their case, in any order; a value keeps its case, blanks and '='.
        {"-register maxclockoffset=1 TimeServer=\"a b=c\"", kRegister, "a b=c", none, "1", none,
         ""},
        {"/register METRICSFILE=\"C:\\Program Files\\TK\\指标.prom\"", kRegister, none,
         "C:\\Program Files\\TK\\指标.prom", none, none, ""},
        {"/register TIMESERVER=none", kRegister, "none", none, none, none, ""},
        // The bound's whole range.
        {"/register MAXCLOCKOFFSET=54000", kRegister, none, none, "54000", none, ""},
    };
    for (const Reading& c : cases) ExpectReading(c);
}

TEST(CommandLine, RefusesWhatItDoesNotKnowNamingTheArgument) {
    const Reading cases[] = {
        {"register", kInvalid, none, none, none, none, "register"},
        {"/regist", kInvalid, none, none, none, none, "/regist"},
        {"/register2", kInvalid, none, none, none, none, "/register2"},
        {"--register", kInvalid, none, none, none, none, "--register"},
        {"/install", kInvalid, none, none, none, none, "/install"},
        {"C:\\some\\file.ini", kInvalid, none, none, none, none, "C:\\some\\file.ini"},
        // A value without the switch, or before it.
        {"TIMESERVER=a", kInvalid, none, none, none, none, "TIMESERVER=a"},
        {"TIMESERVER=a /register", kInvalid, none, none, none, none, "TIMESERVER=a"},
        // Unknown names, an argument without '=', a name with blanks.
        {"/register SERVER=a", kInvalid, none, none, none, none, "SERVER=a"},
        {"/register TIMESERVER", kInvalid, none, none, none, none, "TIMESERVER"},
        {"/register \"TIMESERVER =a\"", kInvalid, none, none, none, none, "TIMESERVER =a"},
        {"/register =a", kInvalid, none, none, none, none, "=a"},
        {"/register /unregister", kInvalid, none, none, none, none, "/unregister"},
        // A name twice, also when one of them is empty.
        {"/register TIMESERVER=a TIMESERVER=b", kInvalid, none, none, none, none, "TIMESERVER=b"},
        {"/register TIMESERVER= timeserver=b", kInvalid, none, none, none, none, "timeserver=b"},
        // A bound that the program would not take as one.
        {"/register MAXCLOCKOFFSET=0", kInvalid, none, none, none, none, "MAXCLOCKOFFSET=0"},
        {"/register MAXCLOCKOFFSET=54001", kInvalid, none, none, none, none,
         "MAXCLOCKOFFSET=54001"},
        {"/register MAXCLOCKOFFSET=60s", kInvalid, none, none, none, none, "MAXCLOCKOFFSET=60s"},
        {"/register MAXCLOCKOFFSET=-5", kInvalid, none, none, none, none, "MAXCLOCKOFFSET=-5"},
        {"/register MAXCLOCKOFFSET=\" 7\"", kInvalid, none, none, none, none, "MAXCLOCKOFFSET= 7"},
        // /unregister takes nothing more.
        {"/unregister TIMESERVER=a", kInvalid, none, none, none, none, "TIMESERVER=a"},
        {"/unregister x", kInvalid, none, none, none, none, "x"},
    };
    for (const Reading& c : cases) ExpectReading(c);
}

}  // namespace
