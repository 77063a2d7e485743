// One SNTP query to a time server, as a client: the request, the reply's checks, the offset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/base/clock.h"
#include "core/timecheck/clock_sample.h"

namespace tk {

// One query's outcome, in the terms of the check that asks it: the sample when it is kMeasured.
struct SntpOutcome {
    ClockCheckStatus status = ClockCheckStatus::kNoAnswer;
    ClockSample sample;
};

// A blocking query; it runs on a worker thread, never on the window's.
class ISntpClient {
public:
    virtual ~ISntpClient() = default;
    // server: "host" or "host:port". The name's lookup and the wait for the reply together take
    // at most about timeoutMs; a lookup that has not ended by then is kNotFound.
    virtual SntpOutcome Query(const std::string& server, int timeoutMs) = 0;
};

// Over UDP from an ephemeral port: one request, replies read until the right one or the time
// is up. It owns what it uses, so a query may outlive the program's window.
class ISntpSocket;
// Opens the socket of one query (sntp_socket.h's OpenSntpSocket; a test's fake).
using SntpSocketOpener = std::unique_ptr<ISntpSocket> (*)(std::uint32_t address,
                                                          std::uint16_t port);

// Looks a host up, blocking, as sntp_socket.h's ResolveIPv4 does (a test's fake): the IPv4
// address in network byte order; false when there is none.
using HostResolver = bool (*)(const std::string& host, std::uint32_t& address);

// clock: the PC's, for the request and the sample; uptime: the one its samples are stamped on
// (none: UptimeClock, the check's in the program).
class SntpClient final : public ISntpClient {
public:
    explicit SntpClient(std::unique_ptr<IPreciseClock> clock, SntpSocketOpener open = nullptr,
                        HostResolver resolve = nullptr,
                        std::unique_ptr<IMonotonicClock> uptime = nullptr);
    SntpOutcome Query(const std::string& server, int timeoutMs) override;

private:
    std::unique_ptr<IPreciseClock> m_clock;
    std::unique_ptr<IMonotonicClock> m_uptime;
    SntpSocketOpener m_open;
    HostResolver m_resolve;
};

}  // namespace tk
