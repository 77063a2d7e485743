#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tk::wire {

// Size of every frame, request and answer alike.
inline constexpr std::size_t kFrameSize = 26;
inline constexpr std::uint8_t kVersion = 1;
inline constexpr char kRequestMagic[4] = {'T', 'K', 'S', 'T'};
inline constexpr char kAnswerMagic[4] = {'T', 'K', 'A', 'K'};

using FrameBytes = std::array<std::uint8_t, kFrameSize>;

enum class Kind : std::uint8_t { kRequest, kAnswer };

enum class Command : std::uint8_t { kSetTime = 1, kReadTime = 2 };

// Status byte of an answer; requests carry kOk.
enum class Status : std::uint8_t {
    kOk = 0,
    kRefused = 1,  // the controller will not take the command now
    kBadTime = 2,  // the time fields are not a valid date and time
    kUnknownCommand = 3,
    kWrongModel = 4,  // the model code is not the controller's own
};

// Local date and time to the millisecond, as the PC's clock gives it.
struct Timestamp {
    std::uint16_t year = 0;
    std::uint8_t month = 0;    // 1..12
    std::uint8_t day = 0;      // 1..31
    std::uint8_t weekday = 0;  // 0 = Sunday .. 6
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint16_t millisecond = 0;

    friend bool operator==(const Timestamp& a, const Timestamp& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.weekday == b.weekday &&
               a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
               a.millisecond == b.millisecond;
    }
    friend bool operator!=(const Timestamp& a, const Timestamp& b) { return !(a == b); }
};

// One decoded frame.
struct Frame {
    Kind kind = Kind::kRequest;
    Command command = Command::kSetTime;
    Status status = Status::kOk;
    std::uint16_t sequence = 0;
    std::uint16_t address = 0;  // controller address, 0-based
    std::uint16_t model = 0;    // controller model code
    Timestamp time;
};

enum class DecodeResult { kOk, kTooShort, kBadMagic, kBadVersion, kBadChecksum };

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, no reflection, no final xor.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size);

FrameBytes Encode(const Frame& frame);
// Decodes the first kFrameSize bytes; size beyond that is ignored.
DecodeResult Decode(const std::uint8_t* data, std::size_t size, Frame& frame);

// True when the fields name a real date and time (weekday included).
bool IsValidTimestamp(const Timestamp& time);
// Milliseconds from 1970-01-01 00:00:00.000 to the fields, read as a calendar date and time
// without a time zone; the weekday is not looked at.
std::int64_t CivilMilliseconds(const Timestamp& time);
// The calendar date and time (weekday included) that many milliseconds after 1970-01-01.
Timestamp FromCivilMilliseconds(std::int64_t ms);

// The request that sets a controller's clock.
Frame SetTimeRequest(std::uint16_t sequence, std::uint16_t address, std::uint16_t model,
                     const Timestamp& time);
// True when answer is the controller's reply to request: same command, sequence, address and
// model, and for a set-time request the same time echoed. The status is not looked at.
bool AnswersRequest(const Frame& answer, const Frame& request);

// Finds frames of one kind in a byte stream (a serial line): skips bytes until the magic,
// drops a candidate whose checksum fails and resumes one byte after its start.
class FrameScanner {
public:
    explicit FrameScanner(Kind kind) : m_kind(kind) {}
    // Appends bytes; returns how many of them were taken (the rest did not fit).
    std::size_t Feed(const std::uint8_t* data, std::size_t size);
    // Takes the next complete valid frame out of the buffer; false when none is there yet.
    bool Next(Frame& frame);
    void Clear() { m_size = 0; }

private:
    Kind m_kind;
    std::array<std::uint8_t, 4 * kFrameSize> m_buffer{};
    std::size_t m_size = 0;
};

}  // namespace tk::wire
