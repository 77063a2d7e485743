// How long the probe waits for an answer, on a simulated clock: a host that answers within
// 100 ms counts as reachable, one that answers later as unreachable, and the probe never waits
// longer than that. Nothing is sent anywhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "core/probe.h"

namespace {

// A host behind a simulated network, on a simulated millisecond tick count that moves only
// while the probe waits. The answer becomes readable answerAfterMs after the tick that the
// request carries, so a request stamped with the wrong tick shows as a wrong answer time.
class SlowHostSystem : public tk::IProbeSystem {
public:
    explicit SlowHostSystem(std::optional<std::uint32_t> answerAfterMs)
        : m_answerAfterMs(answerAfterMs) {}

    // Starts near the wrap of the 32-bit tick count, which the arithmetic has to survive.
    std::uint32_t now = 0xFFFFFFC0u;
    int waits = 0;

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        return std::make_unique<Socket>(*this);
    }
    bool Resolve(const char*, std::uint32_t& address) override {
        address = 0x0900007Fu;  // 127.0.0.9, never used to send
        return true;
    }
    std::uint32_t TickCount() override { return now; }

private:
    class Socket : public tk::IEchoSocket {
    public:
        explicit Socket(SlowHostSystem& system) : m_system(system) {}
        bool SetTimeouts(int) override { return true; }
        void Send(std::uint32_t, const tk::EchoRequest& packet) override {
            if (!m_system.m_answerAfterMs) return;
            std::uint32_t stamped = 0;
            std::memcpy(&stamped, packet.data() + 9, sizeof stamped);
            m_system.m_answerAt = stamped + *m_system.m_answerAfterMs;
        }
        // Time runs to the answer, if it comes within the wait, or to the wait's end.
        bool WaitReadable(int microseconds) override {
            ++m_system.waits;
            const std::uint32_t waitMs = static_cast<std::uint32_t>(microseconds) / 1000u;
            const auto& answerAt = m_system.m_answerAt;
            if (answerAt && *answerAt - m_system.now <= waitMs) {
                m_system.now = *answerAt;
                return true;
            }
            m_system.now += waitMs;
            return false;
        }

    private:
        SlowHostSystem& m_system;
    };

    std::optional<std::uint32_t> m_answerAfterMs;
    std::optional<std::uint32_t> m_answerAt;
};

TEST(ProbeTiming, AnswerAfterMoreThanAHundredMillisecondsCountsAsUnreachable) {
    const struct {
        std::optional<std::uint32_t> answerAfterMs;  // nullopt: the host never answers
        bool reachable;
        std::uint32_t elapsedMs;  // on the simulated clock, until the probe returned
    } cases[] = {
        {0u, true, 0},      {1u, true, 1},      {99u, true, 99},      {100u, true, 100},
        {101u, false, 100}, {150u, false, 100}, {60000u, false, 100}, {std::nullopt, false, 100},
    };
    for (const auto& c : cases) {
        const std::string label =
            c.answerAfterMs ? std::to_string(*c.answerAfterMs) + " ms" : std::string("never");
        SlowHostSystem system(c.answerAfterMs);
        const std::uint32_t start = system.now;
        EXPECT_EQ(tk::IcmpProbe(system).Probe("127.0.0.9"), c.reachable) << label;
        EXPECT_EQ(system.now - start, c.elapsedMs) << label;
        EXPECT_EQ(system.waits, 1) << label;
    }
}

}  // namespace
