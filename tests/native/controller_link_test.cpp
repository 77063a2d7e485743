#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "library/exchange.h"
#include "library/link_settings.h"

namespace {

using namespace tk;
using wire::Frame;

// Fake time: only Receive moves it, by what it waited.
class FakeClock final : public ILinkClock {
public:
    std::int64_t now = 5000;
    std::int64_t MonotonicMs() override { return now; }
    wire::Timestamp LocalTime() override {
        return wire::FromCivilMilliseconds(1717243200000 + now);  // 2024-06-01 12:00:00 + now
    }
};

// A controller at the other end of a link, answering on fake time as each test scripts it.
class FakeLink final : public IControllerLink {
public:
    explicit FakeLink(FakeClock& clock) : m_clock(clock) {}

    bool datagrams = true;
    bool sendFails = false;
    bool receiveFails = false;
    std::vector<Frame> requests;
    std::vector<std::int64_t> sentAt;
    // Called for each request sent; may Deliver bytes.
    std::function<void(FakeLink&, const Frame&)> onRequest = [](FakeLink&, const Frame&) {};

    void Deliver(std::int64_t delayMs, std::vector<std::uint8_t> bytes) {
        m_arrivals.insert({m_clock.now + delayMs, std::move(bytes)});
    }
    void DeliverAnswer(std::int64_t delayMs, Frame answer) {
        answer.kind = wire::Kind::kAnswer;
        const wire::FrameBytes b = wire::Encode(answer);
        Deliver(delayMs, std::vector<std::uint8_t>(b.begin(), b.end()));
    }

    bool Send(const std::uint8_t* data, std::size_t size) override {
        if (sendFails) return false;
        Frame f;
        EXPECT_EQ(wire::Decode(data, size, f), wire::DecodeResult::kOk);
        requests.push_back(f);
        sentAt.push_back(m_clock.now);
        onRequest(*this, f);
        return true;
    }
    int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        EXPECT_GT(timeoutMs, 0);
        if (receiveFails) return -1;
        if (m_arrivals.empty() || m_arrivals.begin()->first > m_clock.now + timeoutMs) {
            m_clock.now += timeoutMs;
            return 0;
        }
        auto next = m_arrivals.begin();
        if (next->first > m_clock.now) m_clock.now = next->first;
        const std::vector<std::uint8_t> bytes = next->second;
        m_arrivals.erase(next);
        EXPECT_LE(bytes.size(), size);
        std::copy(bytes.begin(), bytes.end(), buffer);
        return static_cast<int>(bytes.size());
    }
    bool Datagrams() const override { return datagrams; }

private:
    FakeClock& m_clock;
    std::multimap<std::int64_t, std::vector<std::uint8_t>> m_arrivals;
};

class ExchangeTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeLink link{clock};
    std::uint16_t sequence = 100;

    bool Exchange() { return SetControllerClock(link, clock, 3, 21, sequence); }
};

TEST_F(ExchangeTest, PromptAnswerSetsTheClockWithOneRequest) {
    link.onRequest = [](FakeLink& l, const Frame& r) { l.DeliverAnswer(5, r); };
    const std::int64_t start = clock.now;
    EXPECT_TRUE(Exchange());
    ASSERT_EQ(link.requests.size(), 1u);
    const Frame& r = link.requests[0];
    EXPECT_EQ(r.command, wire::Command::kSetTime);
    EXPECT_EQ(r.address, 3);
    EXPECT_EQ(r.model, 21);
    EXPECT_EQ(r.sequence, 100);
    EXPECT_EQ(r.time, wire::FromCivilMilliseconds(1717243200000 + start));
    EXPECT_EQ(sequence, 101);
}

TEST_F(ExchangeTest, SilenceGivesUpAfterTwoAttemptsOf150Ms) {
    const std::int64_t start = clock.now;
    EXPECT_FALSE(Exchange());
    ASSERT_EQ(link.requests.size(), 2u);
    EXPECT_EQ(link.sentAt[1] - start, 150);
    EXPECT_EQ(clock.now - start, 300);
    EXPECT_EQ(link.requests[1].sequence, link.requests[0].sequence + 1);
    // The retry carries the time at which it was sent.
    EXPECT_EQ(wire::CivilMilliseconds(link.requests[1].time) -
                  wire::CivilMilliseconds(link.requests[0].time),
              150);
    EXPECT_EQ(sequence, 102);
}

// Bytes of the answer to request r, from byte `from` up to `to`.
std::vector<std::uint8_t> AnswerBytes(Frame r, std::size_t from = 0,
                                      std::size_t to = wire::kFrameSize) {
    r.kind = wire::Kind::kAnswer;
    const wire::FrameBytes b = wire::Encode(r);
    return std::vector<std::uint8_t>(b.begin() + from, b.begin() + to);
}

// What the controller sends back and what the exchange makes of it. Answers that are not this
// controller's answer to this call are passed over, and the exchange goes on waiting.
TEST(Exchange, AnswersThatCountAndAnswersThatDoNot) {
    using Script = void (*)(FakeLink&, const Frame&);
    const struct {
        const char* what;
        bool datagrams;
        Script answer;
        bool result;
        std::size_t requests;
        std::int64_t elapsedMs;  // -1: not looked at
    } cases[] = {
        {"late answer to the first attempt, during the retry", true,
         [](FakeLink& l, const Frame& r) {
             if (r.sequence == 100) l.DeliverAnswer(200, r);
         },
         true, 2, 200},
        {"answer to the retry alone", true,
         [](FakeLink& l, const Frame& r) {
             if (r.sequence == 101) l.DeliverAnswer(10, r);
         },
         true, 2, 160},
        {"error answer ends the call at once", true,
         [](FakeLink& l, const Frame& r) {
             Frame a = r;
             a.status = wire::Status::kRefused;
             l.DeliverAnswer(5, a);
         },
         false, 1, 5},
        {"other address, then the retry's own answer", true,
         [](FakeLink& l, const Frame& r) {
             Frame a = r;
             a.address = 4;
             l.DeliverAnswer(5, a);
             if (r.sequence == 101) l.DeliverAnswer(20, r);
         },
         true, 2, -1},
        {"earlier call's sequence, then the retry's own answer", true,
         [](FakeLink& l, const Frame& r) {
             Frame a = r;
             a.sequence = 99;
             l.DeliverAnswer(5, a);
             if (r.sequence == 101) l.DeliverAnswer(20, r);
         },
         true, 2, -1},
        {"corrupted answer", true,
         [](FakeLink& l, const Frame& r) {
             std::vector<std::uint8_t> bytes = AnswerBytes(r);
             bytes[9] ^= 0x01;
             l.Deliver(5, bytes);
         },
         false, 2, 300},
        {"serial answer in pieces after noise", false,
         [](FakeLink& l, const Frame& r) {
             l.Deliver(2, {0xFF, 0x00, 'T'});
             l.Deliver(4, AnswerBytes(r, 0, 7));
             l.Deliver(6, AnswerBytes(r, 7));
         },
         true, 1, 6},
        // On UDP each datagram must be one whole frame: with a byte before or after it, or
        // two answers in one, it is passed over.
        {"datagram with a byte after the answer", true,
         [](FakeLink& l, const Frame& r) {
             std::vector<std::uint8_t> bytes = AnswerBytes(r);
             bytes.push_back(0);
             l.Deliver(5, bytes);
         },
         false, 2, 300},
        {"datagram with a byte before the answer", true,
         [](FakeLink& l, const Frame& r) {
             std::vector<std::uint8_t> bytes = AnswerBytes(r);
             bytes.insert(bytes.begin(), 'T');
             l.Deliver(5, bytes);
         },
         false, 2, 300},
        {"oversized datagram, then the answer alone", true,
         [](FakeLink& l, const Frame& r) {
             std::vector<std::uint8_t> bytes = AnswerBytes(r);
             const std::vector<std::uint8_t> twice = AnswerBytes(r);
             bytes.insert(bytes.end(), twice.begin(), twice.end());
             l.Deliver(5, bytes);
             l.DeliverAnswer(9, r);
         },
         true, 1, 9},
        // On UDP each datagram stands alone: two halves of a frame are no frame.
        {"datagram halves", true,
         [](FakeLink& l, const Frame& r) {
             l.Deliver(2, AnswerBytes(r, 0, 10));
             l.Deliver(4, AnswerBytes(r, 10));
         },
         false, 2, 300},
    };
    for (const auto& c : cases) {
        FakeClock clock;
        FakeLink link(clock);
        link.datagrams = c.datagrams;
        link.onRequest = c.answer;
        const std::int64_t start = clock.now;
        std::uint16_t sequence = 100;
        EXPECT_EQ(SetControllerClock(link, clock, 3, 21, sequence), c.result) << c.what;
        EXPECT_EQ(link.requests.size(), c.requests) << c.what;
        if (c.elapsedMs >= 0) {
            EXPECT_EQ(clock.now - start, c.elapsedMs) << c.what;
        }
    }
}

TEST_F(ExchangeTest, LinkErrorsFailTheCall) {
    link.sendFails = true;
    EXPECT_FALSE(Exchange());
    link.sendFails = false;
    link.receiveFails = true;
    EXPECT_FALSE(Exchange());
    EXPECT_EQ(link.requests.size(), 1u);
}

// Settings read the way the profile API reads them: missing keys give the default.
class MapProfile final : public IProfile {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;

    std::vector<std::string> keysRead;

    int GetInt(const char* section, const char* key, int def) override {
        keysRead.push_back(key);
        auto it = values.find({section, key});
        return it == values.end() ? def : std::atoi(it->second.c_str());
    }
    unsigned GetString(const char*, const char*, const char*, char* buf, unsigned size) override {
        if (size) buf[0] = '\0';
        return 0;
    }
    bool WriteString(const char* section, const char* key, const char* value) override {
        values[{section, key}] = value;
        return true;
    }
};

TEST(LibrarySettingsTest, ReadsEachScreenFromItsGbkSection) {
    MapProfile p;
    p.values = {{{"CONT", "ScreenCount"}, "3"},
                {{"地址：0", "CardType"}, "23"},
                {{"地址：0", "CardAddress"}, "4"},
                {{"地址：0", "CommunicationMode"}, "1"},
                {{"地址：0", "NetPort"}, "6001"},
                {{"地址：0", "IpAddress0"}, "127"},
                {{"地址：0", "IpAddress1"}, "0"},
                {{"地址：0", "IpAddress2"}, "0"},
                {{"地址：0", "IpAddress3"}, "9"},
                {{"地址：1", "SerialNum"}, "12"},
                {{"地址：1", "SerialBaud"}, "9600"},
                {{"地址：1", "CommunicationMode"}, "2"},
                // Section 2 written as UTF-8 is no section of the library's.
                {{"\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A"
                  "2",
                  "CardType"},
                 "3"}};
    const LibrarySettings s = ReadLibrarySettings(p);
    ASSERT_NE(s.Screen(1), nullptr);
    const ScreenSection& net = *s.Screen(1);
    EXPECT_TRUE(net.Network());
    EXPECT_EQ(net.cardType, 23);
    EXPECT_EQ(net.cardAddress, 4);
    EXPECT_EQ(net.netPort, 6001);
    EXPECT_EQ(std::vector<int>(net.ip, net.ip + 4), (std::vector<int>{127, 0, 0, 9}));

    const ScreenSection& serial = *s.Screen(2);
    EXPECT_FALSE(serial.Network());  // only 1 means network
    EXPECT_EQ(serial.serialNum, 12);
    EXPECT_EQ(serial.serialBaud, 9600);
    EXPECT_EQ(serial.cardType, 21);

    const ScreenSection& d = *s.Screen(3);
    EXPECT_EQ(std::vector<int>({d.cardType, d.cardAddress, d.Network(), d.serialNum, d.serialBaud,
                                d.netPort, d.ip[0], d.ip[1], d.ip[2], d.ip[3]}),
              std::vector<int>({21, 0, false, 1, 57600, 5005, 192, 168, 1, 236}));
}

TEST(LibrarySettingsTest, OnlyScreenNumbersWithinTheCountHaveALink) {
    MapProfile p;
    EXPECT_EQ(ReadLibrarySettings(p).Screen(1), nullptr);  // no file, no screens
    p.values = {{{"CONT", "ScreenCount"}, "2"}};
    p.keysRead.clear();
    const LibrarySettings two = ReadLibrarySettings(p);
    // ScreenCount, then ten keys a screen: the display keys are not the library's.
    EXPECT_EQ(p.keysRead.size(), 21u);
    EXPECT_EQ(std::count(p.keysRead.begin(), p.keysRead.end(), "ScreemWidth"), 0);
    for (int n : {-1, 0, 3}) EXPECT_EQ(two.Screen(n), nullptr) << n;
    for (int n : {1, 2}) EXPECT_NE(two.Screen(n), nullptr) << n;
    p.values = {{{"CONT", "ScreenCount"}, "100000"}};
    const LibrarySettings huge = ReadLibrarySettings(p);
    EXPECT_EQ(huge.screens.size(), 300u);
    EXPECT_NE(huge.Screen(300), nullptr);
    EXPECT_EQ(huge.Screen(301), nullptr);
}

}  // namespace
