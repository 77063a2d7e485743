#include "core/timecheck/clock_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/failure_report.h"
#include "core/base/text_format.h"
#include "core/timecheck/sntp_client.h"

namespace tk {

struct ClockCheck::Flight {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    SntpOutcome outcome;
};

namespace {

constexpr std::int64_t kMicros = 1000000;
constexpr std::int64_t kDaySeconds = 86400;

const char* ReasonText(ClockCheckStatus status) {
    switch (status) {
        case ClockCheckStatus::kNotFound:
            return "找不到服务器";
        case ClockCheckStatus::kDenied:
            return "服务器拒绝查询";
        case ClockCheckStatus::kUnusable:
        case ClockCheckStatus::kRateLimited:
            return "服务器时间不可用";
        case ClockCheckStatus::kMeasured:
        case ClockCheckStatus::kNoAnswer:
            break;
    }
    return "没有应答";
}

// The magnitude of micros, safe for the most negative value.
std::uint64_t Magnitude(std::int64_t micros) {
    return micros < 0 ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
}

// "+0.412": seconds to the millisecond, rounded half away from zero; what rounds to zero is
// "+0.000", never "-0.000".
std::string OffsetText(std::int64_t micros) {
    const std::uint64_t ms = (Magnitude(micros) + 500) / 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%c%llu.%03llu", micros < 0 && ms != 0 ? '-' : '+',
                  static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

// "+54001": whole seconds, rounded to the nearest; a figure that would then lie within the bound
// it broke (54,000.4 s past a bound of 54,000) is the first past it, so a refusal never names a
// figure that the bound allows.
std::string RefusedOffsetText(std::int64_t micros, std::int64_t boundSeconds) {
    std::uint64_t seconds = (Magnitude(micros) + kMicros / 2) / kMicros;
    const auto bound = static_cast<std::uint64_t>(std::max<std::int64_t>(boundSeconds, 0));
    if (seconds <= bound) seconds = bound + 1;
    char text[32];
    std::snprintf(text, sizeof text, "%c%llu", micros < 0 ? '-' : '+',
                  static_cast<unsigned long long>(seconds));
    return text;
}

// Days from 1970-01-01 to a date of the Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

const std::string& MeasuredBy(const ClockReading& reading) {
    return reading.measuredBy.empty() ? reading.server : reading.measuredBy;
}

// A measurement decides alone: within the bound the PC's clock is right, whatever its date.
// The release date only stands in for a server that has never answered.
ClockVerdict VerdictOf(const ClockReading& reading) {
    if (reading.measured) {
        const auto bound = static_cast<std::uint64_t>(reading.maxOffsetSeconds) * kMicros;
        return Magnitude(reading.offsetMicros) > bound ? ClockVerdict::kOffsetTooLarge
                                                       : ClockVerdict::kSpread;
    }
    return reading.beforeRelease ? ClockVerdict::kBeforeRelease : ClockVerdict::kSpread;
}

// A failed query, or none, is followed by the measurement that still stands, which the verdict
// used, with its server when another one gave it.
std::string ClockCheckLine(const ClockReading& reading) {
    if (reading.server.empty() && !reading.measured) return {};
    if (reading.server.empty() || reading.status != ClockCheckStatus::kMeasured) {
        std::string line = reading.server.empty()
                               ? std::string("电脑时间未能比对：未设置时间服务器")
                               : Formatted("电脑时间未能与%s比对：%s", reading.server.c_str(),
                                           ReasonText(reading.status));
        if (reading.measured) {
            line += "；" + std::to_string(reading.ageSeconds) + "秒前";
            if (MeasuredBy(reading) != reading.server) line += "与" + MeasuredBy(reading);
            line += "测得相差" + OffsetText(reading.offsetMicros) + "秒";
        }
        return line;
    }
    std::string line = Formatted("电脑时间与%s相差%s秒", reading.server.c_str(),
                                 OffsetText(reading.offsetMicros).c_str());
    if (reading.reused) line += "（" + std::to_string(reading.ageSeconds) + "秒前测得）";
    return line;
}

std::string ClockRefusalText(const ClockReading& reading) {
    switch (VerdictOf(reading)) {
        case ClockVerdict::kOffsetTooLarge:
            return Formatted(
                "状态：电脑时间与%s相差%s秒，本次未校时！", MeasuredBy(reading).c_str(),
                RefusedOffsetText(reading.offsetMicros, reading.maxOffsetSeconds).c_str());
        case ClockVerdict::kBeforeRelease:
            return "状态：电脑时间早于本程序的发布日期，本次未校时！";
        case ClockVerdict::kSpread:
            break;
    }
    return {};
}

std::string ClockRefusalStatusText(const ClockReading& reading) {
    switch (VerdictOf(reading)) {
        case ClockVerdict::kOffsetTooLarge:
            return "状态：时间相差" +
                   RefusedOffsetText(reading.offsetMicros, reading.maxOffsetSeconds) +
                   "秒，本次未校时！";
        case ClockVerdict::kBeforeRelease:
            return "状态：电脑日期有误，本次未校时！";
        case ClockVerdict::kSpread:
            break;
    }
    return {};
}

// A change of server (in the settings file or the time service, or a read of them that failed)
// asks the new one afresh: a server that refused an earlier one may serve this one. The
// measurement stays: it is of the PC's clock, and a server that does not answer says nothing
// against it.
void ClockCheck::ChangeServer(const std::string& server) {
    m_server = server;
    m_lastStatus.reset();
    m_lastQueryMs.reset();
    m_intervalMs = kClockCheckIntervalMs;
    m_denied = false;
    m_flight.reset();
}

// At most one query per interval, none after a refusal, and none while an earlier one is still
// awaited; the worker is detached, so that closing the program never waits for it.
void ClockCheck::Begin() {
    m_reading.reset();
    m_fresh = false;
    const std::string server = m_services.server.Current();
    if (server != m_server) ChangeServer(server);
    m_maxOffsetSeconds = m_services.server.MaxOffsetSeconds();
    if (m_server.empty() || m_denied || m_flight) return;
    const std::int64_t now = m_services.monotonic.Milliseconds();
    if (m_lastQueryMs && now - *m_lastQueryMs < m_intervalMs) return;
    m_lastQueryMs = now;
    auto flight = std::make_shared<Flight>();
    m_deadlineMs = now + m_services.waitMs;
    try {
        std::thread([flight, client = m_services.client, server = m_server,
                     waitMs = m_services.waitMs] {
            const SntpOutcome outcome = client->Query(server, waitMs);
            const std::lock_guard<std::mutex> lock(flight->mutex);
            flight->outcome = outcome;
            flight->done = true;
            flight->ended.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        ReportFailure("starting the time server query");
        Keep(SntpOutcome{});
        return;
    }
    m_flight = std::move(flight);
    m_fresh = true;
}

// Every query's outcome is the last one; only an answer replaces the measurement, and it ends
// the longer interval a RATE kiss asked for.
void ClockCheck::Keep(const SntpOutcome& outcome) {
    m_lastStatus = outcome.status;
    if (outcome.status == ClockCheckStatus::kMeasured) {
        Measurement measurement;
        measurement.server = m_server;
        measurement.takenMs = m_services.monotonic.Milliseconds();
        measurement.pcMicros = m_services.pcClock.NowMicros();
        measurement.offsetMicros = outcome.offsetMicros;
        measurement.delayMicros = outcome.delayMicros;
        m_measurement = measurement;
        m_intervalMs = kClockCheckIntervalMs;
    }
    if (outcome.status == ClockCheckStatus::kDenied) m_denied = true;
    if (outcome.status == ClockCheckStatus::kRateLimited) {
        m_intervalMs = std::min(m_intervalMs * 2, kClockCheckLongestIntervalMs);
    }
}

// In UTC, with a day to spare: a right clock anywhere on Earth reads at most a day before the
// release date's midnight in UTC.
bool ClockCheck::BeforeRelease() {
    const CalendarDate& release = m_services.release;
    const std::int64_t releaseStart =
        DaysFromCivil(release.year, release.month, release.day) * kDaySeconds;
    return m_services.clock.Now() < releaseStart - kDaySeconds;
}

// A query that has not ended by the deadline counts as no answer, and is left to end alone.
ClockReading ClockCheck::Await() {
    if (m_reading) return *m_reading;
    ClockReading reading;
    reading.beforeRelease = BeforeRelease();
    reading.server = m_server;
    reading.maxOffsetSeconds = m_maxOffsetSeconds;
    if (m_flight) {
        const std::int64_t left = m_deadlineMs - m_services.monotonic.Milliseconds();
        std::unique_lock<std::mutex> lock(m_flight->mutex);
        const bool done = m_flight->ended.wait_for(
            lock, std::chrono::milliseconds(std::max<std::int64_t>(left, 0)),
            [this] { return m_flight->done; });
        const SntpOutcome outcome = done ? m_flight->outcome : SntpOutcome{};
        lock.unlock();
        m_flight.reset();
        Keep(outcome);
    }
    if (!m_server.empty() && m_lastStatus) {
        reading.status = *m_lastStatus;
        reading.reused = !m_fresh;
    }
    if (m_measurement) {
        // How far the PC's clock moved beyond the time gone by since the measurement: a step.
        const std::int64_t now = m_services.monotonic.Milliseconds();
        std::int64_t step = m_services.pcClock.NowMicros() - m_measurement->pcMicros -
                            (now - m_measurement->takenMs) * 1000;
        if (step > -kClockStepResolutionMicros && step < kClockStepResolutionMicros) step = 0;
        reading.measured = true;
        reading.measuredBy = m_measurement->server;
        reading.offsetMicros = m_measurement->offsetMicros - step;
        reading.delayMicros = m_measurement->delayMicros;
        reading.ageSeconds = (now - m_measurement->takenMs) / 1000;
    }
    m_reading = reading;
    return reading;
}

}  // namespace tk
