#include "library/frame.h"

#include <cstring>

namespace tk::wire {

namespace {

// Byte offsets inside a frame.
constexpr std::size_t kVersionAt = 4;
constexpr std::size_t kCommandAt = 5;
constexpr std::size_t kStatusAt = 6;
constexpr std::size_t kSequenceAt = 8;
constexpr std::size_t kAddressAt = 10;
constexpr std::size_t kModelAt = 12;
constexpr std::size_t kYearAt = 14;
constexpr std::size_t kMonthAt = 16;
constexpr std::size_t kDayAt = 17;
constexpr std::size_t kWeekdayAt = 18;
constexpr std::size_t kHourAt = 19;
constexpr std::size_t kMinuteAt = 20;
constexpr std::size_t kSecondAt = 21;
constexpr std::size_t kMillisecondAt = 22;
constexpr std::size_t kChecksumAt = 24;

constexpr std::int64_t kMsPerDay = 86400000;

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

const char* MagicOf(Kind kind) { return kind == Kind::kRequest ? kRequestMagic : kAnswerMagic; }

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Weekday (0 = Sunday) of a day counted from 1970-01-01, which was a Thursday.
std::uint8_t WeekdayOfDays(std::int64_t days) {
    const std::int64_t w = (days + 4) % 7;
    return static_cast<std::uint8_t>(w < 0 ? w + 7 : w);
}

}  // namespace

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

FrameBytes Encode(const Frame& frame) {
    FrameBytes b{};
    std::memcpy(b.data(), MagicOf(frame.kind), 4);
    b[kVersionAt] = kVersion;
    b[kCommandAt] = static_cast<std::uint8_t>(frame.command);
    b[kStatusAt] = static_cast<std::uint8_t>(frame.status);
    Put16(&b[kSequenceAt], frame.sequence);
    Put16(&b[kAddressAt], frame.address);
    Put16(&b[kModelAt], frame.model);
    Put16(&b[kYearAt], frame.time.year);
    b[kMonthAt] = frame.time.month;
    b[kDayAt] = frame.time.day;
    b[kWeekdayAt] = frame.time.weekday;
    b[kHourAt] = frame.time.hour;
    b[kMinuteAt] = frame.time.minute;
    b[kSecondAt] = frame.time.second;
    Put16(&b[kMillisecondAt], frame.time.millisecond);
    Put16(&b[kChecksumAt], Crc16(b.data(), kChecksumAt));
    return b;
}

DecodeResult Decode(const std::uint8_t* data, std::size_t size, Frame& frame) {
    if (size < kFrameSize) return DecodeResult::kTooShort;
    if (std::memcmp(data, kRequestMagic, 4) == 0) {
        frame.kind = Kind::kRequest;
    } else if (std::memcmp(data, kAnswerMagic, 4) == 0) {
        frame.kind = Kind::kAnswer;
    } else {
        return DecodeResult::kBadMagic;
    }
    if (data[kVersionAt] != kVersion) return DecodeResult::kBadVersion;
    if (Get16(data + kChecksumAt) != Crc16(data, kChecksumAt)) return DecodeResult::kBadChecksum;
    frame.command = static_cast<Command>(data[kCommandAt]);
    frame.status = static_cast<Status>(data[kStatusAt]);
    frame.sequence = Get16(data + kSequenceAt);
    frame.address = Get16(data + kAddressAt);
    frame.model = Get16(data + kModelAt);
    frame.time.year = Get16(data + kYearAt);
    frame.time.month = data[kMonthAt];
    frame.time.day = data[kDayAt];
    frame.time.weekday = data[kWeekdayAt];
    frame.time.hour = data[kHourAt];
    frame.time.minute = data[kMinuteAt];
    frame.time.second = data[kSecondAt];
    frame.time.millisecond = Get16(data + kMillisecondAt);
    return DecodeResult::kOk;
}

bool IsValidTimestamp(const Timestamp& t) {
    if (t.month < 1 || t.month > 12) return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
    if (t.hour > 23 || t.minute > 59 || t.second > 59 || t.millisecond > 999) return false;
    return t.weekday == WeekdayOfDays(DaysFromCivil(t.year, t.month, t.day));
}

std::int64_t CivilMilliseconds(const Timestamp& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
    return days * kMsPerDay + ((t.hour * 60 + t.minute) * 60 + t.second) * 1000LL + t.millisecond;
}

Timestamp FromCivilMilliseconds(std::int64_t ms) {
    std::int64_t days = ms / kMsPerDay;
    std::int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    Timestamp t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint8_t>(m);
    t.day = static_cast<std::uint8_t>(d);
    t.weekday = WeekdayOfDays(days);
    t.hour = static_cast<std::uint8_t>(rest / 3600000);
    t.minute = static_cast<std::uint8_t>(rest / 60000 % 60);
    t.second = static_cast<std::uint8_t>(rest / 1000 % 60);
    t.millisecond = static_cast<std::uint16_t>(rest % 1000);
    return t;
}

Frame SetTimeRequest(std::uint16_t sequence, std::uint16_t address, std::uint16_t model,
                     const Timestamp& time) {
    Frame f;
    f.kind = Kind::kRequest;
    f.command = Command::kSetTime;
    f.sequence = sequence;
    f.address = address;
    f.model = model;
    f.time = time;
    return f;
}

bool AnswersRequest(const Frame& answer, const Frame& request) {
    if (answer.kind != Kind::kAnswer || answer.command != request.command) return false;
    if (answer.sequence != request.sequence || answer.address != request.address) return false;
    if (answer.model != request.model) return false;
    return request.command != Command::kSetTime || answer.time == request.time;
}

std::size_t FrameScanner::Feed(const std::uint8_t* data, std::size_t size) {
    const std::size_t room = m_buffer.size() - m_size;
    const std::size_t taken = size < room ? size : room;
    std::memcpy(m_buffer.data() + m_size, data, taken);
    m_size += taken;
    return taken;
}

bool FrameScanner::Next(Frame& frame) {
    const char* magic = MagicOf(m_kind);
    std::size_t start = 0;
    bool found = false;
    while (start < m_size) {
        // A magic cut off at the end of the buffer may complete with the next bytes.
        const std::size_t have = m_size - start < 4 ? m_size - start : 4;
        if (std::memcmp(m_buffer.data() + start, magic, have) != 0) {
            ++start;
            continue;
        }
        if (m_size - start < kFrameSize) break;
        if (Decode(m_buffer.data() + start, kFrameSize, frame) == DecodeResult::kOk) {
            start += kFrameSize;
            found = true;
            break;
        }
        ++start;
    }
    std::memmove(m_buffer.data(), m_buffer.data() + start, m_size - start);
    m_size -= start;
    return found;
}

}  // namespace tk::wire
