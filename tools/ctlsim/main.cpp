// ctlsim: simulated controllers for the controller library's wire format, on loopback UDP
// ports and pseudo-terminals. One line of output per request, flushed at once.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library/frame.h"
#include "tools/ctlsim/sim_controller.h"

namespace {

using tk::sim::Behaviour;
using tk::sim::ControllerConfig;
using tk::sim::SimController;
namespace wire = tk::wire;

constexpr char kUsage[] =
    "usage: ctlsim [--allow-any-address] [--no-stdin] ENDPOINT... \n"
    "  ENDPOINT := (--udp ADDR:PORT | --pty) CONTROLLER...\n"
    "  CONTROLLER := [--address N] [--model CODE] [--skew MS] [--silent | --late MS | --error]\n"
    "--udp binds a UDP port (PORT 0 picks a free one); ADDR must be in 127.0.0.0/8 unless\n"
    "--allow-any-address is given. --pty opens a pseudo-terminal for a serial screen.\n"
    "Each endpoint starts with one controller at address 0; --address sets its address, or,\n"
    "given again, adds a controller. The flags after it apply to that controller. A clock\n"
    "starts at host time + skew (default 0). Commands on stdin: 'status', 'quit'; end of\n"
    "input ends the program unless --no-stdin.\n";

volatile sig_atomic_t g_stop = 0;

// Ends the main loop on SIGINT or SIGTERM.
void OnSignal(int) { g_stop = 1; }

// Writes one line and flushes it, so that a reader sees each request as it is served.
void Line(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::int64_t MonotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The host's local time as calendar milliseconds, comparable with the library's GetLocalTime.
std::int64_t HostLocalMs() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local;
    localtime_r(&ts.tv_sec, &local);
    return (static_cast<std::int64_t>(ts.tv_sec) + local.tm_gmtoff) * 1000 + ts.tv_nsec / 1000000;
}

std::string TimeText(const wire::Timestamp& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

const char* StatusText(wire::Status status) {
    switch (status) {
        case wire::Status::kOk:
            return "ok";
        case wire::Status::kRefused:
            return "refused";
        case wire::Status::kBadTime:
            return "bad-time";
        case wire::Status::kUnknownCommand:
            return "unknown-command";
        case wire::Status::kWrongModel:
            return "wrong-model";
    }
    return "?";
}

const char* DecodeText(wire::DecodeResult result) {
    switch (result) {
        case wire::DecodeResult::kOk:
            return "ok";
        case wire::DecodeResult::kTooShort:
            return "length";
        case wire::DecodeResult::kBadMagic:
            return "magic";
        case wire::DecodeResult::kBadVersion:
            return "version";
        case wire::DecodeResult::kBadChecksum:
            return "checksum";
    }
    return "?";
}

bool ParseInt(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

// One UDP port or pseudo-terminal and the controllers on it.
struct Endpoint {
    bool udp = true;
    std::string given;  // ADDR:PORT as given
    int fd = -1;
    int holdFd = -1;   // our own open slave of a pty, so the master never reads end-of-file
    std::string name;  // bound address and port, or the pty's path
    std::vector<ControllerConfig> configs;
    std::vector<SimController> controllers;
    bool addressGiven = false;
    wire::FrameScanner scanner{wire::Kind::kRequest};
};

// An answer waiting for its time.
struct Pending {
    std::int64_t dueMono;
    std::size_t endpoint;
    sockaddr_in peer;
    wire::FrameBytes bytes;
};

class Simulator {
public:
    Simulator() = default;
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Reads the command line; false (after a message) when it is wrong.
    bool Configure(int argc, char** argv);
    // Binds every endpoint and prints where; false when one cannot be opened.
    bool Open();
    // Serves requests until a stop signal, "quit" or the end of stdin; waitMask is the signal
    // mask while waiting.
    int Run(const sigset_t& waitMask);

private:
    bool OpenUdp(Endpoint& e);
    bool OpenPty(Endpoint& e);
    bool GuardPty(const std::string& path);
    void OnDatagram(std::size_t index);
    void OnSerialBytes(std::size_t index);
    void Serve(std::size_t index, const wire::Frame& request, const sockaddr_in* peer);
    void SendAnswer(std::size_t index, const sockaddr_in* peer, const wire::FrameBytes& bytes);
    void PrintClocks();
    bool OnCommand();

    std::vector<Endpoint> m_endpoints;
    std::vector<Pending> m_pending;
    // Pty guards: each child's pid and the write end whose closing ends it.
    std::vector<std::pair<pid_t, int>> m_guards;
    bool m_allowAny = false;
    bool m_readStdin = true;
    std::string m_stdinBuffer;
};

// Ends the pty guards and waits for them, so that none is left behind.
Simulator::~Simulator() {
    for (const auto& guard : m_guards) {
        close(guard.second);
        waitpid(guard.first, nullptr, 0);
    }
}

bool Simulator::Configure(int argc, char** argv) {
    auto current = [this]() -> ControllerConfig* {
        return m_endpoints.empty() ? nullptr : &m_endpoints.back().configs.back();
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long value = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--allow-any-address") {
            m_allowAny = true;
        } else if (arg == "--no-stdin") {
            m_readStdin = false;
        } else if ((arg == "--udp" && hasValue) || arg == "--pty") {
            Endpoint e;
            e.udp = arg == "--udp";
            if (e.udp) e.given = argv[++i];
            e.configs.emplace_back();
            m_endpoints.push_back(std::move(e));
        } else if (current() == nullptr) {
            std::fprintf(stderr, "ctlsim: %s before the first --udp or --pty\n%s", arg.c_str(),
                         kUsage);
            return false;
        } else if (arg == "--address" && hasValue && ParseInt(argv[i + 1], 0, 0xFFFF, value)) {
            ++i;
            Endpoint& e = m_endpoints.back();
            if (e.addressGiven) e.configs.emplace_back();
            e.addressGiven = true;
            e.configs.back().address = static_cast<std::uint16_t>(value);
        } else if (arg == "--model" && hasValue && ParseInt(argv[i + 1], 0, 0xFFFF, value)) {
            ++i;
            current()->model = static_cast<int>(value);
        } else if (arg == "--skew" && hasValue &&
                   ParseInt(argv[i + 1], -100000000000L, 100000000000L, value)) {
            ++i;
            current()->skewMs = value;
        } else if (arg == "--late" && hasValue && ParseInt(argv[i + 1], 0, 600000, value)) {
            ++i;
            current()->behaviour = Behaviour::kLate;
            current()->lateMs = static_cast<int>(value);
        } else if (arg == "--silent") {
            current()->behaviour = Behaviour::kSilent;
        } else if (arg == "--error") {
            current()->behaviour = Behaviour::kError;
        } else {
            std::fprintf(stderr, "ctlsim: bad argument '%s'\n%s", arg.c_str(), kUsage);
            return false;
        }
    }
    if (m_endpoints.empty()) {
        std::fputs(kUsage, stderr);
        return false;
    }
    return true;
}

bool Simulator::OpenUdp(Endpoint& e) {
    const std::string::size_type colon = e.given.rfind(':');
    long port = 0;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (colon == std::string::npos ||
        inet_pton(AF_INET, e.given.substr(0, colon).c_str(), &local.sin_addr) != 1 ||
        !ParseInt(e.given.c_str() + colon + 1, 0, 65535, port)) {
        std::fprintf(stderr, "ctlsim: '%s' is not ADDR:PORT\n", e.given.c_str());
        return false;
    }
    if (!m_allowAny && (ntohl(local.sin_addr.s_addr) >> 24) != 127) {
        std::fprintf(stderr, "ctlsim: %s is outside 127.0.0.0/8 (see --allow-any-address)\n",
                     e.given.c_str());
        return false;
    }
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    e.fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    socklen_t size = sizeof local;
    if (e.fd < 0 || bind(e.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(e.fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        std::fprintf(stderr, "ctlsim: cannot bind %s: %s\n", e.given.c_str(), std::strerror(errno));
        return false;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    e.name = std::string(text) + ":" + std::to_string(ntohs(local.sin_port));
    return true;
}

// Makes the pty the controlling terminal of a small child in a session of its own, which lives
// until ctlsim ends. Why: a session leader that opens a terminal without O_NOCTTY takes it as
// its controlling terminal if it is nobody's; wineserver does so with a COM port mapped to the
// pty, and then receives SIGHUP when ctlsim closes the master.
bool Simulator::GuardPty(const std::string& path) {
    int lifeline[2], ready[2];
    if (pipe2(lifeline, O_CLOEXEC) != 0 || pipe2(ready, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(lifeline[1]);
        close(ready[0]);
        setsid();
        const int tty = open(path.c_str(), O_RDWR);
        const char ok = tty >= 0 ? 1 : 0;
        if (write(ready[1], &ok, 1) != 1) _exit(1);
        for (;;) {
            char c;
            const ssize_t n = read(lifeline[0], &c, 1);
            if (n == 0 || (n < 0 && errno != EINTR)) _exit(0);
        }
    }
    close(lifeline[0]);
    close(ready[1]);
    char ok = 0;
    const bool guarded = read(ready[0], &ok, 1) == 1 && ok == 1;
    close(ready[0]);
    m_guards.emplace_back(child, lifeline[1]);
    return guarded;
}

bool Simulator::OpenPty(Endpoint& e) {
    e.fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (e.fd < 0 || grantpt(e.fd) != 0 || unlockpt(e.fd) != 0 || ptsname(e.fd) == nullptr) {
        std::fprintf(stderr, "ctlsim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return false;
    }
    e.name = ptsname(e.fd);
    if (!GuardPty(e.name)) {
        std::fprintf(stderr, "ctlsim: cannot guard %s: %s\n", e.name.c_str(), std::strerror(errno));
        return false;
    }
    e.holdFd = open(e.name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw;
    if (e.holdFd < 0 || tcgetattr(e.holdFd, &raw) != 0) {
        std::fprintf(stderr, "ctlsim: cannot open %s: %s\n", e.name.c_str(), std::strerror(errno));
        return false;
    }
    // Raw, so that the line discipline neither echoes frames back nor changes their bytes.
    cfmakeraw(&raw);
    tcsetattr(e.holdFd, TCSANOW, &raw);
    return true;
}

bool Simulator::Open() {
    const std::int64_t host = HostLocalMs();
    const std::int64_t mono = MonotonicMs();
    for (Endpoint& e : m_endpoints) {
        if (!(e.udp ? OpenUdp(e) : OpenPty(e))) return false;
        std::string addresses;
        for (const ControllerConfig& c : e.configs) {
            e.controllers.emplace_back(c, host, mono);
            addresses += (addresses.empty() ? "" : ",") + std::to_string(c.address);
        }
        Line(std::string("listening ") + (e.udp ? "udp=" : "pty=") + e.name +
             " addresses=" + addresses);
    }
    Line("ready");
    return true;
}

void Simulator::SendAnswer(std::size_t index, const sockaddr_in* peer,
                           const wire::FrameBytes& bytes) {
    const Endpoint& e = m_endpoints[index];
    if (e.udp) {
        sendto(e.fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(peer),
               sizeof *peer);
    } else if (write(e.fd, bytes.data(), bytes.size()) < 0) {
        Line("error endpoint=" + e.name + " write: " + std::strerror(errno));
    }
}

void Simulator::Serve(std::size_t index, const wire::Frame& request, const sockaddr_in* peer) {
    Endpoint& e = m_endpoints[index];
    const std::int64_t host = HostLocalMs();
    const std::int64_t mono = MonotonicMs();
    char head[160];
    std::snprintf(head, sizeof head, "endpoint=%s address=%u model=%u command=%s seq=%u",
                  e.name.c_str(), request.address, request.model,
                  request.command == wire::Command::kSetTime    ? "set"
                  : request.command == wire::Command::kReadTime ? "read"
                                                                : "other",
                  request.sequence);
    bool known = false;
    for (SimController& controller : e.controllers) {
        if (controller.Config().address != request.address) continue;
        known = true;
        const tk::sim::Reaction r = controller.Handle(request, host, mono);
        std::string text = std::string("served ") + head;
        if (r.answer && r.frame.status == wire::Status::kOk) {
            text += " time=" + TimeText(r.frame.time) + " offset_ms=" + std::to_string(r.offsetMs);
            // What the set corrected: the clock's offset just before it.
            if (r.clockSet) text += " was_off_ms=" + std::to_string(r.wasOffMs);
        }
        text += std::string(" reply=") + (r.answer ? StatusText(r.frame.status) : "none");
        if (r.answer && r.delayMs > 0) text += " late_ms=" + std::to_string(r.delayMs);
        Line(text);
        if (!r.answer) continue;
        const wire::FrameBytes bytes = wire::Encode(r.frame);
        if (r.delayMs == 0) {
            SendAnswer(index, peer, bytes);
        } else {
            m_pending.push_back({mono + r.delayMs, index, peer ? *peer : sockaddr_in{}, bytes});
        }
    }
    if (!known) Line(std::string("ignored ") + head);
}

void Simulator::OnDatagram(std::size_t index) {
    std::uint8_t buffer[512];
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    const ssize_t n = recvfrom(m_endpoints[index].fd, buffer, sizeof buffer, MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&peer), &size);
    if (n < 0) return;
    wire::Frame frame;
    // n is the datagram's full size (MSG_TRUNC), which may exceed the buffer: any size but a
    // frame's is refused before a byte is looked at.
    const wire::DecodeResult result =
        tk::sim::DecodeRequestDatagram(buffer, static_cast<std::size_t>(n), frame);
    if (result != wire::DecodeResult::kOk) {
        Line("dropped endpoint=" + m_endpoints[index].name + " bytes=" + std::to_string(n) +
             " reason=" + DecodeText(result));
        return;
    }
    Serve(index, frame, &peer);
}

void Simulator::OnSerialBytes(std::size_t index) {
    Endpoint& e = m_endpoints[index];
    std::uint8_t buffer[256];
    const ssize_t n = read(e.fd, buffer, sizeof buffer);
    if (n <= 0) return;
    for (std::size_t used = 0; used < static_cast<std::size_t>(n);) {
        used += e.scanner.Feed(buffer + used, static_cast<std::size_t>(n) - used);
        wire::Frame frame;
        while (e.scanner.Next(frame)) Serve(index, frame, nullptr);
    }
}

void Simulator::PrintClocks() {
    const std::int64_t host = HostLocalMs();
    const std::int64_t mono = MonotonicMs();
    for (const Endpoint& e : m_endpoints) {
        for (const SimController& c : e.controllers) {
            const std::int64_t clock = c.ClockMs(mono);
            Line("clock endpoint=" + e.name + " address=" + std::to_string(c.Config().address) +
                 " time=" + TimeText(wire::FromCivilMilliseconds(clock)) + " offset_ms=" +
                 std::to_string(clock - host) + " set=" + (c.WasSet() ? "yes" : "no"));
        }
    }
}

// Reads what stdin has; false when it ended or asked to quit.
bool Simulator::OnCommand() {
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return false;
    m_stdinBuffer.append(buffer, static_cast<std::size_t>(n));
    for (std::string::size_type eol; (eol = m_stdinBuffer.find('\n')) != std::string::npos;) {
        std::string command = m_stdinBuffer.substr(0, eol);
        m_stdinBuffer.erase(0, eol + 1);
        if (!command.empty() && command.back() == '\r') command.pop_back();
        if (command == "quit") return false;
        if (command == "status") {
            PrintClocks();
        } else if (!command.empty()) {
            Line("unknown command '" + command + "'");
        }
    }
    return true;
}

int Simulator::Run(const sigset_t& waitMask) {
    for (;;) {
        if (g_stop) break;
        std::vector<pollfd> fds;
        for (const Endpoint& e : m_endpoints) fds.push_back({e.fd, POLLIN, 0});
        if (m_readStdin) fds.push_back({STDIN_FILENO, POLLIN, 0});
        std::int64_t timeout = -1;
        const std::int64_t now = MonotonicMs();
        for (const Pending& p : m_pending) {
            const std::int64_t wait = p.dueMono > now ? p.dueMono - now : 0;
            if (timeout < 0 || wait < timeout) timeout = wait;
        }
        // The stop signals are blocked except inside ppoll, so none can slip in between the
        // check of g_stop and the wait.
        const timespec waitFor{static_cast<time_t>(timeout / 1000),
                               static_cast<long>(timeout % 1000 * 1000000)};
        const int ready =
            ppoll(fds.data(), fds.size(), timeout < 0 ? nullptr : &waitFor, &waitMask);
        if (ready < 0 && errno != EINTR) {
            std::perror("ctlsim: poll");
            return 1;
        }
        const std::int64_t after = MonotonicMs();
        for (std::size_t i = 0; i < m_pending.size();) {
            if (m_pending[i].dueMono > after) {
                ++i;
                continue;
            }
            SendAnswer(m_pending[i].endpoint, &m_pending[i].peer, m_pending[i].bytes);
            m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (ready <= 0) continue;
        for (std::size_t i = 0; i < m_endpoints.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            if (m_endpoints[i].udp) {
                OnDatagram(i);
            } else {
                OnSerialBytes(i);
            }
        }
        if (m_readStdin && (fds.back().revents & (POLLIN | POLLHUP)) && !OnCommand()) break;
    }
    PrintClocks();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    Simulator simulator;
    if (!simulator.Configure(argc, argv) || !simulator.Open()) return 2;
    return simulator.Run(waitMask);
}
