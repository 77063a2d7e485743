#include "library/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace tk::wire;

Timestamp MakeTime(int y, int mo, int d, int wd, int h, int mi, int s, int ms) {
    Timestamp t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint8_t>(mo);
    t.day = static_cast<std::uint8_t>(d);
    t.weekday = static_cast<std::uint8_t>(wd);
    t.hour = static_cast<std::uint8_t>(h);
    t.minute = static_cast<std::uint8_t>(mi);
    t.second = static_cast<std::uint8_t>(s);
    t.millisecond = static_cast<std::uint16_t>(ms);
    return t;
}

const Timestamp kLeapDay = MakeTime(2024, 2, 29, 4, 13, 45, 7, 890);

Frame Answer(const Frame& request, Status status = Status::kOk) {
    Frame a = request;
    a.kind = Kind::kAnswer;
    a.status = status;
    return a;
}

TEST(WireCrc, MatchesTheStandardCheckValue) {
    const char* check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(check), 9), 0x29B1);
}

// The byte layout that wire_format.md documents, checksum computed independently.
TEST(WireFrame, SetTimeRequestHasTheDocumentedBytes) {
    const FrameBytes bytes = Encode(SetTimeRequest(0x1234, 3, 21, kLeapDay));
    const std::vector<std::uint8_t> expected = {
        0x54, 0x4B, 0x53, 0x54, 0x01, 0x01, 0x00, 0x00, 0x34, 0x12, 0x03, 0x00, 0x15,
        0x00, 0xE8, 0x07, 0x02, 0x1D, 0x04, 0x0D, 0x2D, 0x07, 0x7A, 0x03, 0x35, 0xFC};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(WireFrame, EncodeDecodeRoundTrip) {
    Frame read;
    read.command = Command::kReadTime;
    read.sequence = 0xFFFF;
    read.address = 0xFFFF;
    read.model = 0;
    const Frame frames[] = {
        SetTimeRequest(0x1234, 3, 21, kLeapDay), Answer(read),
        Answer(SetTimeRequest(7, 255, 23, MakeTime(1999, 12, 31, 5, 23, 59, 59, 999)),
               Status::kRefused)};
    for (const Frame& f : frames) {
        const FrameBytes bytes = Encode(f);
        Frame back;
        ASSERT_EQ(Decode(bytes.data(), bytes.size(), back), DecodeResult::kOk);
        EXPECT_EQ(Encode(back), bytes);
        EXPECT_EQ(back.time, f.time);
    }
}

// Any single corrupted byte is caught, whichever field it falls in, and so is a short frame.
TEST(WireFrame, EveryCorruptedByteIsRejected) {
    const FrameBytes good = Encode(SetTimeRequest(0x1234, 3, 21, kLeapDay));
    Frame f;
    EXPECT_EQ(Decode(good.data(), kFrameSize - 1, f), DecodeResult::kTooShort);
    for (std::size_t at = 0; at < kFrameSize; ++at) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            FrameBytes bad = good;
            bad[at] ^= flip;
            const DecodeResult expected = at < 4    ? DecodeResult::kBadMagic
                                          : at == 4 ? DecodeResult::kBadVersion
                                                    : DecodeResult::kBadChecksum;
            EXPECT_EQ(Decode(bad.data(), bad.size(), f), expected)
                << "byte " << at << " flip " << int(flip);
        }
    }
}

TEST(WireMatch, OnlyTheControllersOwnAnswerToThisRequestMatches) {
    const Frame request = SetTimeRequest(41, 3, 21, kLeapDay);
    struct Case {
        const char* what;
        void (*change)(Frame&);
        bool matches;
    };
    const Case cases[] = {
        {"own answer", [](Frame&) {}, true},
        {"error answer still answers", [](Frame& a) { a.status = Status::kRefused; }, true},
        {"other address", [](Frame& a) { a.address = 4; }, false},
        {"older sequence", [](Frame& a) { a.sequence = 40; }, false},
        {"other model", [](Frame& a) { a.model = 22; }, false},
        {"other time echoed", [](Frame& a) { a.time.millisecond = 891; }, false},
        {"other weekday echoed", [](Frame& a) { a.time.weekday = 5; }, false},
        {"other command", [](Frame& a) { a.command = Command::kReadTime; }, false},
        {"a request, not an answer", [](Frame& a) { a.kind = Kind::kRequest; }, false},
    };
    for (const Case& c : cases) {
        Frame answer = Answer(request);
        c.change(answer);
        EXPECT_EQ(AnswersRequest(answer, request), c.matches) << c.what;
    }
}

TEST(WireTime, CalendarMillisecondsRoundTripWithWeekday) {
    const Timestamp times[] = {
        MakeTime(1970, 1, 1, 4, 0, 0, 0, 0),     kLeapDay,
        MakeTime(2000, 2, 29, 2, 12, 0, 0, 1),   MakeTime(1999, 12, 31, 5, 23, 59, 59, 999),
        MakeTime(2100, 3, 1, 1, 6, 30, 15, 500), MakeTime(1969, 12, 31, 3, 23, 59, 59, 999),
    };
    for (const Timestamp& t : times) {
        EXPECT_TRUE(IsValidTimestamp(t)) << t.year << "-" << int(t.month) << "-" << int(t.day);
        EXPECT_EQ(FromCivilMilliseconds(CivilMilliseconds(t)), t) << t.year;
    }
    EXPECT_EQ(CivilMilliseconds(MakeTime(1970, 1, 2, 5, 0, 0, 1, 5)), 86401005);
    EXPECT_EQ(
        CivilMilliseconds(kLeapDay) - CivilMilliseconds(MakeTime(2024, 2, 28, 3, 13, 45, 7, 890)),
        86400000);
}

TEST(WireTime, ImpossibleDatesAndTimesAreInvalid) {
    const Timestamp bad[] = {
        MakeTime(2023, 2, 29, 3, 0, 0, 0, 0),    MakeTime(2100, 2, 29, 1, 0, 0, 0, 0),
        MakeTime(2024, 13, 1, 0, 0, 0, 0, 0),    MakeTime(2024, 0, 1, 0, 0, 0, 0, 0),
        MakeTime(2024, 4, 31, 3, 0, 0, 0, 0),    MakeTime(2024, 2, 29, 4, 24, 0, 0, 0),
        MakeTime(2024, 2, 29, 4, 0, 60, 0, 0),   MakeTime(2024, 2, 29, 4, 0, 0, 60, 0),
        MakeTime(2024, 2, 29, 4, 0, 0, 0, 1000), MakeTime(2024, 2, 29, 5, 0, 0, 0, 0),
    };
    for (const Timestamp& t : bad) EXPECT_FALSE(IsValidTimestamp(t)) << int(t.month) << int(t.day);
}

// Bytes of a serial line: noise, a request, a corrupted answer, then a good one split in pieces.
TEST(WireScanner, FindsTheValidAnswerInAStream) {
    const FrameBytes request = Encode(SetTimeRequest(1, 3, 21, kLeapDay));
    const FrameBytes first = Encode(Answer(SetTimeRequest(1, 3, 21, kLeapDay)));
    const FrameBytes second = Encode(Answer(SetTimeRequest(2, 3, 21, kLeapDay)));
    FrameBytes corrupted = first;
    corrupted[12] ^= 0x40;
    std::vector<std::uint8_t> stream = {0x00, 'T', 'K', 0x55, 'T', 'K', 'A'};
    for (const FrameBytes part : {request, corrupted, second}) {
        stream.insert(stream.end(), part.begin(), part.end());
    }
    FrameScanner scanner(Kind::kAnswer);
    std::vector<std::uint16_t> sequences;
    for (std::size_t at = 0; at < stream.size(); at += 5) {
        const std::size_t n = stream.size() - at < 5 ? stream.size() - at : 5;
        ASSERT_EQ(scanner.Feed(stream.data() + at, n), n);
        Frame f;
        while (scanner.Next(f)) sequences.push_back(f.sequence);
    }
    EXPECT_EQ(sequences, std::vector<std::uint16_t>{2});
}

}  // namespace
