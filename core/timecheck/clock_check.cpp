#include "core/timecheck/clock_check.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "core/base/failure_report.h"
#include "core/timecheck/sntp_client.h"

namespace tk {

// The server is read at each pass, and between passes only when a query would be due and the
// last read is an interval old: a tick that asks every second costs no file access.
void ClockCheck::ReadServer() {
    m_serverReadMs = m_services.monotonic.Milliseconds();
    const std::string server = m_services.server.Current();
    if (server != m_server) ChangeServer(server);
}

// A change of server (in the settings file or the time service, or a read of them that failed)
// asks the new one afresh: a server that refused an earlier one may serve this one. The
// measurement stays: it is of the PC's clock, and a server that does not answer says nothing
// against it.
void ClockCheck::ChangeServer(const std::string& server) {
    m_server = server;
    m_lastStatus.reset();
    m_lastStatusRead = false;
    m_lastQueryMs.reset();
    m_intervalMs = kClockCheckIntervalMs;
    m_denied = false;
    m_flight.reset();
}

// A query that has ended is kept, without waiting.
void ClockCheck::Collect() {
    if (!m_flight) return;
    if (const std::optional<SntpOutcome> outcome = m_flight->Peek()) {
        m_flight.reset();
        Keep(*outcome);
    }
}

// At most one query per interval, none after a refusal, and none while an earlier one is out;
// the worker is detached, so that closing the program never waits for it.
void ClockCheck::StartQuery() {
    Collect();
    if (m_flight || m_denied) return;
    const std::int64_t now = m_services.monotonic.Milliseconds();
    if (m_lastQueryMs && now - *m_lastQueryMs < m_intervalMs) return;
    if (!m_serverReadMs || now - *m_serverReadMs >= kClockCheckIntervalMs) ReadServer();
    if (m_server.empty()) return;
    m_lastQueryMs = now;
    m_flight = Flight::Start([client = m_services.client, server = m_server,
                              waitMs = m_services.waitMs] { return client->Query(server, waitMs); },
                             m_services.workers);
    if (!m_flight) {
        ReportFailure("starting the time server query");
        Keep(SntpOutcome{});
    }
}

void ClockCheck::Begin() {
    m_reading.reset();
    Collect();
    ReadServer();
    StartQuery();
}

// Every query's outcome is the last one; only an answer replaces the measurement, and it ends
// the longer interval a RATE kiss asked for.
void ClockCheck::Keep(const SntpOutcome& outcome) {
    m_lastStatus = outcome.status;
    m_lastStatusRead = false;
    if (outcome.status == ClockCheckStatus::kMeasured) {
        m_measurement = outcome.sample;
        m_intervalMs = kClockCheckIntervalMs;
    }
    if (outcome.status == ClockCheckStatus::kDenied) m_denied = true;
    if (outcome.status == ClockCheckStatus::kRateLimited) {
        m_intervalMs = std::min(m_intervalMs * 2, kClockCheckLongestIntervalMs);
    }
}

// A query past its time counts as no answer, and is left to end alone; one still inside it is
// left out for a later pass, unless this pass may wait for it.
ClockReading ClockCheck::Await(bool manual) {
    if (m_reading) return *m_reading;
    Collect();
    if (m_flight) {
        const std::int64_t left =
            *m_lastQueryMs + m_services.waitMs - m_services.monotonic.Milliseconds();
        const bool wait = manual || !m_lastStatus;
        std::optional<SntpOutcome> outcome =
            wait ? m_flight->WaitFor(std::chrono::milliseconds(std::max<std::int64_t>(left, 0)))
                 : m_flight->Peek();
        if (!outcome && (wait || left <= 0)) outcome = SntpOutcome{};
        if (outcome) {
            m_flight.reset();
            Keep(*outcome);
        }
    }
    ClockReading reading;
    reading.server = m_server;
    if (!m_server.empty() && m_lastStatus) {
        reading.status = *m_lastStatus;
        reading.reused = m_lastStatusRead;
        m_lastStatusRead = true;
    }
    if (m_measurement) {
        // How far the PC's clock moved beyond the time gone by since the measurement: a step.
        const std::int64_t now = m_services.monotonic.Milliseconds();
        std::int64_t step = m_services.pcClock.NowMicros() - m_measurement->pcMicros -
                            (now - m_measurement->uptimeMs) * 1000;
        if (step > -kClockStepResolutionMicros && step < kClockStepResolutionMicros) step = 0;
        reading.measurement = *m_measurement;
        reading.measurement->offsetMicros -= step;
        reading.ageSeconds = (now - m_measurement->uptimeMs) / 1000;
    }
    m_reading = reading;
    return reading;
}

}  // namespace tk
