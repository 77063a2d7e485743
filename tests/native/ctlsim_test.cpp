#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "library/frame.h"

extern char** environ;

namespace {

using namespace tk::wire;

// Upper bound for any one wait on the simulator; reached only when something is broken.
constexpr int kPatienceMs = 5000;

// The host's local time, as the simulator and the library read it.
Timestamp HostNow() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local;
    localtime_r(&ts.tv_sec, &local);
    return FromCivilMilliseconds((ts.tv_sec + local.tm_gmtoff) * 1000LL + ts.tv_nsec / 1000000);
}

// The integer after "key=" in a line.
long Field(const std::string& line, const std::string& key) {
    const auto at = line.find(" " + key + "=");
    EXPECT_NE(at, std::string::npos) << key << " in " << line;
    return at == std::string::npos ? 0
                                   : std::strtol(line.c_str() + at + key.size() + 2, nullptr, 10);
}

// ctlsim run as a child with its stdin and stdout on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(TK_CTLSIM_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, TK_CTLSIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
    }
    // Ends it the way its users do, by closing its input; kills it only if it does not go.
    ~SimProcess() {
        if (m_stdin >= 0) close(m_stdin);
        if (m_pid > 0) {
            while (ReadLine()) {
            }
            if (!m_ended) kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_stdout);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The next line of output; nothing at end of output or when none comes in time.
    std::optional<std::string> ReadLine() {
        for (;;) {
            const auto eol = m_buffer.find('\n');
            if (eol != std::string::npos) {
                std::string line = m_buffer.substr(0, eol);
                m_buffer.erase(0, eol + 1);
                return line;
            }
            pollfd p{m_stdout, POLLIN, 0};
            if (poll(&p, 1, kPatienceMs) <= 0) return std::nullopt;
            char chunk[512];
            const ssize_t n = read(m_stdout, chunk, sizeof chunk);
            if (n <= 0) {
                m_ended = true;
                return std::nullopt;
            }
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }
    // Skips lines up to the first that starts with prefix.
    std::string LineStartingWith(const std::string& prefix) {
        while (auto line = ReadLine()) {
            if (line->rfind(prefix, 0) == 0) return *line;
        }
        ADD_FAILURE() << "no line starting with '" << prefix << "'";
        return std::string();
    }
    // Ends its input and returns its exit status (-1 when it did not exit normally).
    int CloseInputAndWait() {
        close(m_stdin);
        m_stdin = -1;
        int status = 0;
        if (waitpid(m_pid, &status, 0) != m_pid) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffer;
    bool m_ended = false;  // its output reached end of file
};

// A client socket on loopback talking to one simulated endpoint.
class Client {
public:
    explicit Client(const std::string& endpoint) {
        const auto colon = endpoint.rfind(':');
        m_peer.sin_family = AF_INET;
        inet_pton(AF_INET, endpoint.substr(0, colon).c_str(), &m_peer.sin_addr);
        m_peer.sin_port =
            htons(static_cast<std::uint16_t>(std::atoi(endpoint.c_str() + colon + 1)));
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    ~Client() { close(m_socket); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void Send(const Frame& request) {
        const FrameBytes b = Encode(request);
        SendBytes(b.data(), b.size());
    }
    void SendBytes(const std::uint8_t* data, size_t size) {
        ASSERT_EQ(
            sendto(m_socket, data, size, 0, reinterpret_cast<sockaddr*>(&m_peer), sizeof m_peer),
            static_cast<ssize_t>(size));
    }
    std::optional<Frame> Receive() {
        pollfd p{m_socket, POLLIN, 0};
        if (poll(&p, 1, kPatienceMs) <= 0) return std::nullopt;
        std::uint8_t buffer[64];
        const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
        Frame f;
        if (n != static_cast<ssize_t>(kFrameSize) ||
            Decode(buffer, kFrameSize, f) != DecodeResult::kOk)
            return std::nullopt;
        return f;
    }

private:
    int m_socket = -1;
    sockaddr_in m_peer{};
};

// One endpoint with a controller an hour slow at address 0 and a silent neighbour 5 s fast at
// address 1. How the controllers answer the library (silent, late, refusing, other model, on a
// serial line) is exercised end to end in standin_e2e; these tests cover what the library
// never sends: impossible dates, corrupted frames, unknown addresses, and the end-of-run report.
class CtlsimTest : public ::testing::Test {
protected:
    SimProcess sim{{"--udp", "127.0.0.1:0", "--address", "0", "--skew", "-3600000", "--address",
                    "1", "--silent", "--skew", "5000"}};
    std::string endpoint;

    void SetUp() override {
        const std::string listening = sim.LineStartingWith("listening udp=");
        endpoint = listening.substr(14, listening.find(' ', 14) - 14);
        ASSERT_EQ(sim.ReadLine().value_or(""), "ready");
    }
};

TEST_F(CtlsimTest, RequestsAreAnsweredRefusedIgnoredOrDropped) {
    Client client(endpoint);
    const Frame request = SetTimeRequest(1, 0, 21, HostNow());
    client.Send(request);
    auto answer = client.Receive();
    ASSERT_TRUE(answer);
    EXPECT_TRUE(AnswersRequest(*answer, request));
    EXPECT_EQ(answer->status, Status::kOk);
    const std::string served =
        sim.LineStartingWith("served endpoint=" + endpoint + " address=0 model=21 command=set");
    EXPECT_NE(served.find(" reply=ok"), std::string::npos) << served;
    EXPECT_LT(std::labs(Field(served, "offset_ms")), 1000) << served;
    // The line tells how far the clock was off before the set: an hour slow.
    EXPECT_NEAR(Field(served, "was_off_ms"), -3600000, 1000) << served;

    Timestamp feb30 = HostNow();
    feb30.month = 2;
    feb30.day = 30;
    client.Send(SetTimeRequest(2, 0, 21, feb30));
    answer = client.Receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, Status::kBadTime);

    client.Send(SetTimeRequest(3, 7, 21, HostNow()));
    EXPECT_NE(sim.LineStartingWith("ignored").find("address=7"), std::string::npos);
    FrameBytes corrupted = Encode(SetTimeRequest(4, 0, 21, HostNow()));
    corrupted[15] ^= 0x04;
    client.SendBytes(corrupted.data(), corrupted.size());
    EXPECT_NE(sim.LineStartingWith("dropped").find("reason=checksum"), std::string::npos);
}

TEST_F(CtlsimTest, EndOfInputPrintsEveryClockAndExits) {
    Client client(endpoint);
    client.Send(SetTimeRequest(50, 0, 21, HostNow()));
    ASSERT_TRUE(client.Receive());
    EXPECT_EQ(sim.CloseInputAndWait(), 0);
    std::vector<std::string> clocks;
    while (auto line = sim.ReadLine()) {
        if (line->rfind("clock ", 0) == 0) clocks.push_back(*line);
    }
    ASSERT_EQ(clocks.size(), 2u);
    EXPECT_NE(clocks[0].find("address=0"), std::string::npos);
    EXPECT_NE(clocks[0].find("set=yes"), std::string::npos);
    EXPECT_LT(std::labs(Field(clocks[0], "offset_ms")), 1000);
    EXPECT_NE(clocks[1].find("set=no"), std::string::npos);
    EXPECT_NEAR(Field(clocks[1], "offset_ms"), 5000, 1000);
}

TEST(CtlsimStart, RefusesToBindOutsideLoopback) {
    for (const char* endpoint : {"0.0.0.0:0", "192.168.1.236:5005", "127.0.0.1"}) {
        SimProcess sim({"--udp", endpoint});
        std::vector<std::string> lines;
        while (auto line = sim.ReadLine()) lines.push_back(*line);
        EXPECT_EQ(sim.CloseInputAndWait(), 2) << endpoint;
        EXPECT_TRUE(lines.empty()) << endpoint << ": " << lines.front();
    }
}

}  // namespace
