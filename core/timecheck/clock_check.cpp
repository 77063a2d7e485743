#include "core/timecheck/clock_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/failure_report.h"

namespace tk {

namespace {

constexpr std::int64_t kMicros = 1000000;

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

// printf into a string; the server's text may be as long as the settings file lets it be.
template <typename... Args>
std::string Formatted(const char* format, const std::string& server, Args... args) {
    std::vector<char> text(server.size() + 128);
    std::snprintf(text.data(), text.size(), format, server.c_str(), args...);
    return text.data();
}

double Seconds(std::int64_t micros) { return static_cast<double>(micros) / kMicros; }

}  // namespace

std::int64_t SteadyMonotonicClock::Milliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The offset bound comes first: it says by how much, which the release date cannot.
ClockVerdict VerdictOf(const ClockReading& reading) {
    if (!reading.server.empty() && reading.status == ClockCheckStatus::kMeasured &&
        std::llabs(reading.offsetMicros) > kMaxSpreadOffsetSeconds * kMicros) {
        return ClockVerdict::kOffsetTooLarge;
    }
    if (reading.beforeRelease) return ClockVerdict::kBeforeRelease;
    return ClockVerdict::kSpread;
}

std::string ClockCheckLine(const ClockReading& reading) {
    if (reading.server.empty()) return {};
    if (reading.status != ClockCheckStatus::kMeasured) {
        return Formatted("电脑时间未能与%s比对：%s", reading.server, ReasonText(reading.status));
    }
    std::string line =
        Formatted("电脑时间与%s相差%+.3f秒", reading.server, Seconds(reading.offsetMicros));
    if (reading.reused) {
        line += "（" + std::to_string(reading.ageSeconds) + "秒前测得）";
    }
    return line;
}

std::string ClockRefusalText(const ClockReading& reading) {
    switch (VerdictOf(reading)) {
        case ClockVerdict::kOffsetTooLarge:
            return Formatted("状态：电脑时间与%s相差%+.0f秒，本次未校时！", reading.server,
                             Seconds(reading.offsetMicros));
        case ClockVerdict::kBeforeRelease:
            return "状态：电脑时间早于本程序的发布日期，本次未校时！";
        case ClockVerdict::kSpread:
            break;
    }
    return {};
}

// A change of server (in the settings file or the time service) starts afresh: a server that
// refused an earlier one may serve this one.
void ClockCheck::Forget(const std::string& server) {
    m_server = server;
    m_stored.reset();
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
    if (server != m_server) Forget(server);
    if (m_server.empty() || m_denied || m_flight) return;
    const std::int64_t now = m_services.monotonic.Milliseconds();
    if (m_lastQueryMs && now - *m_lastQueryMs < m_intervalMs) return;
    m_lastQueryMs = now;
    auto flight = std::make_shared<Flight>();
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_services.waitMs);
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

void ClockCheck::Keep(const SntpOutcome& outcome) {
    Stored stored;
    stored.outcome = outcome;
    stored.endedMs = m_services.monotonic.Milliseconds();
    stored.serverMinusMonotonicMicros =
        outcome.offsetMicros + m_services.pcClock.NowMicros() - stored.endedMs * 1000;
    m_stored = stored;
    if (outcome.status == ClockCheckStatus::kDenied) m_denied = true;
    if (outcome.status == ClockCheckStatus::kRateLimited) {
        m_intervalMs = std::min(m_intervalMs * 2, kClockCheckLongestIntervalMs);
    }
}

bool ClockCheck::BeforeRelease() {
    std::tm local{};
    if (!m_services.clock.ToLocalTime(m_services.clock.Now(), local)) return false;
    const CalendarDate& release = m_services.release;
    const int today = (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
    return today < release.year * 10000 + release.month * 100 + release.day;
}

// A query that has not ended by the deadline counts as no answer, and is left to end alone.
ClockReading ClockCheck::Await() {
    if (m_reading) return *m_reading;
    ClockReading reading;
    reading.beforeRelease = BeforeRelease();
    reading.server = m_server;
    if (m_flight) {
        std::unique_lock<std::mutex> lock(m_flight->mutex);
        const bool done =
            m_flight->ended.wait_until(lock, m_deadline, [this] { return m_flight->done; });
        const SntpOutcome outcome = done ? m_flight->outcome : SntpOutcome{};
        lock.unlock();
        m_flight.reset();
        Keep(outcome);
    }
    if (!m_server.empty() && m_stored) {
        const Stored& stored = *m_stored;
        const std::int64_t now = m_services.monotonic.Milliseconds();
        reading.status = stored.outcome.status;
        reading.delayMicros = stored.outcome.delayMicros;
        reading.offsetMicros =
            stored.serverMinusMonotonicMicros + now * 1000 - m_services.pcClock.NowMicros();
        reading.reused = !m_fresh;
        reading.ageSeconds = (now - stored.endedMs) / 1000;
    }
    m_reading = reading;
    return reading;
}

}  // namespace tk
