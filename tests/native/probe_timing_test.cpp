// The probe's wait and the answers it counts, on a simulated network and clock: several hosts
// are probed with one wait, a host counts as reachable only when an echo reply to its own request
// or to a later one to the same address comes within 100 ms of its own request, and nothing else
// that arrives counts. Nothing is sent anywhere.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/probe/probe.h"

namespace {

// Hosts behind a simulated network, on a millisecond tick count that moves only while the probe
// waits and by sendCostMs per request sent. Each request is answered answerAfterMs[host] after
// the tick it carries, so a request stamped with the wrong tick shows as a wrong answer time.
class SimulatedNetwork : public tk::IProbeSystem, public tk::IMonotonicClock {
public:
    // Starts near the wrap of the 32-bit tick count, which the arithmetic has to survive.
    std::uint32_t now = 0xFFFFFFC0u;
    std::uint32_t sendCostMs = 0;
    std::vector<std::pair<std::string, std::uint32_t>> answerAfterMs;  // unlisted: silent
    // Which of several requests to one address the host answers.
    enum class Repeats { kAll, kFirstOnly, kLastOnly } repeats = Repeats::kAll;
    // What else arrives, relative to the first request: another address answering a request
    // of ours, a reply from the host to a request it never got, an error message from the host.
    enum class Foreign {
        kNone,
        kOtherAddress,
        kUnsentSequence,
        kNotAReply
    } foreign = Foreign::kNone;

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        return std::make_unique<Socket>(*this);
    }
    // The simulated 32-bit count, carried on past 2^32 as the probe's clock does.
    std::int64_t Milliseconds() override {
        return std::int64_t{0xFFFFFFC0} + static_cast<std::uint32_t>(now - 0xFFFFFFC0u);
    }

private:
    struct Arrival {
        std::uint32_t at;
        tk::IcmpMessage message;
    };

    class Socket : public tk::IEchoSocket {
    public:
        explicit Socket(SimulatedNetwork& net) : m_net(net) {}
        bool SetTimeouts(int) override { return true; }
        void Send(std::uint32_t address, const tk::EchoRequest& packet) override {
            std::uint32_t stamped = 0;
            std::uint16_t sequence = 0;
            std::memcpy(&stamped, packet.data() + 9, sizeof stamped);
            std::memcpy(&sequence, packet.data() + 6, sizeof sequence);
            char text[INET_ADDRSTRLEN];
            const std::string host = ::inet_ntop(AF_INET, &address, text, sizeof text);
            m_net.now += m_net.sendCostMs;
            if (m_arrivals.empty()) AddForeign(stamped, address, sequence);
            for (const auto& [answering, after] : m_net.answerAfterMs) {
                if (answering != host) continue;
                const bool again = std::count(m_answered.begin(), m_answered.end(), address) > 0;
                m_answered.push_back(address);
                if (again && m_net.repeats == Repeats::kFirstOnly) continue;
                if (again && m_net.repeats == Repeats::kLastOnly) {
                    m_arrivals.erase(
                        std::remove_if(m_arrivals.begin(), m_arrivals.end(),
                                       [&](const Arrival& a) { return a.message.from == address; }),
                        m_arrivals.end());
                }
                m_arrivals.push_back({stamped + after, {address, tk::kEchoReplyType, sequence}});
            }
        }
        // Time runs to the earliest arrival within the wait, or to the wait's end.
        bool Receive(int microseconds, tk::IcmpMessage& message) override {
            const std::uint32_t waitMs = static_cast<std::uint32_t>(microseconds) / 1000u;
            auto next = m_arrivals.end();
            for (auto a = m_arrivals.begin(); a != m_arrivals.end(); ++a) {
                const std::uint32_t in = a->at - m_net.now;
                const bool due = static_cast<std::int32_t>(in) <= 0 || in <= waitMs;
                if (due &&
                    (next == m_arrivals.end() || static_cast<std::int32_t>(a->at - next->at) < 0)) {
                    next = a;
                }
            }
            if (next == m_arrivals.end()) {
                m_net.now += waitMs;
                return false;
            }
            if (static_cast<std::int32_t>(next->at - m_net.now) > 0) m_net.now = next->at;
            message = next->message;
            m_arrivals.erase(next);
            return true;
        }

    private:
        void AddForeign(std::uint32_t at, std::uint32_t address, std::uint16_t sequence) {
            switch (m_net.foreign) {
                case Foreign::kNone:
                    return;
                case Foreign::kOtherAddress:
                    m_arrivals.push_back(
                        {at + 5, {htonl(0x7F000063), tk::kEchoReplyType, sequence}});
                    return;
                case Foreign::kUnsentSequence:
                    m_arrivals.push_back(
                        {at + 5,
                         {address, tk::kEchoReplyType, static_cast<std::uint16_t>(sequence - 1)}});
                    return;
                case Foreign::kNotAReply:
                    m_arrivals.push_back({at + 5, {address, 3, sequence}});
                    return;
            }
        }

        SimulatedNetwork& m_net;
        std::vector<Arrival> m_arrivals;
        std::vector<std::uint32_t> m_answered;
    };
};

using Foreign = SimulatedNetwork::Foreign;
using Repeats = SimulatedNetwork::Repeats;

TEST(ProbeTiming, HostsShareOneWaitAndOnlyTheirOwnTimelyRepliesCount) {
    const std::vector<std::string> one = {"127.0.0.9"};
    const std::vector<std::string> three = {"127.0.0.9", "127.0.0.10", "127.0.0.11"};
    const struct {
        const char* name;
        std::vector<std::string> hosts;
        std::vector<std::pair<std::string, std::uint32_t>> answerAfterMs;
        std::uint32_t sendCostMs;
        Foreign foreign;
        Repeats repeats;
        std::vector<bool> reachable;
        std::uint32_t elapsedMs;  // on the simulated clock, until the probe returned
    } cases[] = {
        {"at once", one, {{"127.0.0.9", 0}}, 0, Foreign::kNone, Repeats::kAll, {true}, 0},
        {"99 ms", one, {{"127.0.0.9", 99}}, 0, Foreign::kNone, Repeats::kAll, {true}, 99},
        {"100 ms", one, {{"127.0.0.9", 100}}, 0, Foreign::kNone, Repeats::kAll, {true}, 100},
        {"101 ms", one, {{"127.0.0.9", 101}}, 0, Foreign::kNone, Repeats::kAll, {false}, 100},
        {"a minute", one, {{"127.0.0.9", 60000}}, 0, Foreign::kNone, Repeats::kAll, {false}, 100},
        {"silent", one, {}, 0, Foreign::kNone, Repeats::kAll, {false}, 100},
        // Three hosts cost one wait, however many are silent; all answered ends it early.
        {"all silent", three, {}, 1, Foreign::kNone, Repeats::kAll, {false, false, false}, 102},
        {"one silent",
         three,
         {{"127.0.0.9", 40}, {"127.0.0.11", 70}},
         1,
         Foreign::kNone,
         Repeats::kAll,
         {true, false, true},
         102},
        {"all answer",
         three,
         {{"127.0.0.9", 40}, {"127.0.0.10", 5}, {"127.0.0.11", 20}},
         1,
         Foreign::kNone,
         Repeats::kAll,
         {true, true, true},
         40},
        // The first request's answer at 101 ms of its own still falls within the shared wait.
        {"first late",
         three,
         {{"127.0.0.9", 101}, {"127.0.0.10", 5}, {"127.0.0.11", 5}},
         1,
         Foreign::kNone,
         Repeats::kAll,
         {false, true, true},
         102},
        // A reply to a repeated request counts for the earlier one within the earlier one's
        // 100 ms; a reply to the earlier one never counts for the repeat, sent after it.
        {"same address twice, reply to the repeat",
         {"127.0.0.9", "127.0.0.10", "127.0.0.9"},
         {{"127.0.0.9", 30}, {"127.0.0.10", 10}},
         1,
         Foreign::kNone,
         Repeats::kLastOnly,
         {true, true, true},
         32},
        {"same address twice, reply to the repeat 101 ms after the first",
         {"127.0.0.9", "127.0.0.10", "127.0.0.9"},
         {{"127.0.0.9", 99}, {"127.0.0.10", 10}},
         1,
         Foreign::kNone,
         Repeats::kLastOnly,
         {false, true, true},
         102},
        {"same address twice, reply to the first",
         {"127.0.0.9", "127.0.0.10", "127.0.0.9"},
         {{"127.0.0.9", 30}, {"127.0.0.10", 10}},
         1,
         Foreign::kNone,
         Repeats::kFirstOnly,
         {true, true, false},
         102},
        // The first reply comes 130 ms after the first request, 78 ms after the repeat.
        {"130 ms host, repeat 52 ms later",
         {"127.0.0.9", "127.0.0.9"},
         {{"127.0.0.9", 130}},
         52,
         Foreign::kNone,
         Repeats::kAll,
         {false, false},
         152},
        {"reply from another address",
         one,
         {},
         0,
         Foreign::kOtherAddress,
         Repeats::kAll,
         {false},
         100},
        {"reply to an unsent request",
         one,
         {},
         0,
         Foreign::kUnsentSequence,
         Repeats::kAll,
         {false},
         100},
        {"error message from the host",
         one,
         {},
         0,
         Foreign::kNotAReply,
         Repeats::kAll,
         {false},
         100},
    };
    for (const auto& c : cases) {
        SimulatedNetwork net;
        net.answerAfterMs = c.answerAfterMs;
        net.sendCostMs = c.sendCostMs;
        net.foreign = c.foreign;
        net.repeats = c.repeats;
        std::vector<std::uint32_t> addresses(c.hosts.size());
        for (std::size_t k = 0; k < c.hosts.size(); ++k)
            ASSERT_EQ(::inet_pton(AF_INET, c.hosts[k].c_str(), &addresses[k]), 1) << c.hosts[k];
        const std::uint32_t start = net.now;
        EXPECT_EQ(tk::IcmpProbe(net, net).ProbeAll(addresses), c.reachable) << c.name;
        EXPECT_EQ(net.now - start, c.elapsedMs) << c.name;
    }
}

}  // namespace
