#include "core/timecheck/sntp_client.h"

#include <chrono>
#include <memory>
#include <optional>
#include <random>

#include "core/base/failure_report.h"
#include "core/timecheck/detached_result.h"
#include "core/timecheck/ntp_packet.h"
#include "core/timecheck/sntp_socket.h"
#include "core/timecheck/time_server.h"

namespace tk {

namespace {

using Steady = std::chrono::steady_clock;

int MillisecondsLeft(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The low bits of the transmit time, below a microsecond, are random, so that an origin time
// that echoes them comes from a server that saw this very request.
std::uint64_t Unpredictable(std::uint64_t transmit) {
    static thread_local std::minstd_rand bits{std::random_device{}()};
    return (transmit & ~std::uint64_t{0xFFF}) | (bits() & 0xFFF);
}

// The address of host, waiting for the lookup only until the deadline. A lookup still running
// then is left behind on its detached worker, which owns everything it touches (the host's
// text, a start of the socket library) and ends whenever the resolver returns.
bool ResolveBefore(HostResolver resolve, const std::string& host, Steady::time_point deadline,
                   std::uint32_t& address) {
    struct Found {
        bool found = false;
        std::uint32_t address = 0;
    };
    const auto lookup = DetachedResult<Found>::Start([resolve, host] {
        const SocketLibraryStart library = StartSocketLibrary();
        Found found;
        found.found = library && resolve(host, found.address);
        return found;
    });
    if (!lookup) {
        ReportFailure("starting the time server's name lookup");
        return false;
    }
    const std::optional<Found> found = lookup->WaitUntil(deadline);
    if (!found) return false;
    address = found->address;
    return found->found;
}

SntpOutcome Failed(ClockCheckStatus status) {
    SntpOutcome outcome;
    outcome.status = status;
    return outcome;
}

}  // namespace

SntpClient::SntpClient(std::unique_ptr<IPreciseClock> clock, SntpSocketOpener open,
                       HostResolver resolve, std::unique_ptr<IMonotonicClock> uptime)
    : m_clock(std::move(clock)),
      m_uptime(uptime != nullptr ? std::move(uptime) : std::make_unique<UptimeClock>()),
      m_open(open != nullptr ? open : &OpenSntpSocket),
      m_resolve(resolve != nullptr ? resolve : &ResolveIPv4) {}

// Replies that are not for this request (another sender, another origin time, another mode)
// are passed over and the wait goes on; a usable one, an unusable one or a kiss ends it.
SntpOutcome SntpClient::Query(const std::string& server, int timeoutMs) {
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    std::string host;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
    if (!SplitServerText(server, host, port) ||
        !ResolveBefore(m_resolve, host, deadline, address)) {
        return Failed(ClockCheckStatus::kNotFound);
    }
    const std::unique_ptr<ISntpSocket> socket = m_open(address, port);
    if (!socket) return Failed(ClockCheckStatus::kNoAnswer);
    const std::int64_t t1 = m_clock->NowMicros();
    const std::uint64_t transmit = Unpredictable(NtpFromUnixMicros(t1));
    const NtpPacket request = SntpRequest(transmit);
    if (!socket->Send(request.data(), request.size())) {
        ReportFailure("sending the time server request");
        return Failed(ClockCheckStatus::kNoAnswer);
    }
    std::uint8_t reply[512];
    for (;;) {
        const int left = MillisecondsLeft(deadline);
        if (left <= 0) return Failed(ClockCheckStatus::kNoAnswer);
        std::uint32_t from = 0;
        std::uint16_t fromPort = 0;
        const int size = socket->Receive(reply, sizeof reply, left, from, fromPort);
        const std::int64_t t4 = m_clock->NowMicros();
        const std::int64_t arrivedMs = m_uptime->Milliseconds();
        if (size < 0) return Failed(ClockCheckStatus::kNoAnswer);
        if (size == 0) continue;
        if (from != address || fromPort != port) continue;
        const SntpReply read = ReadSntpReply(reply, static_cast<std::size_t>(size), transmit);
        switch (read.kind) {
            case SntpReplyKind::kBogus:
                continue;
            case SntpReplyKind::kUnusable:
                return Failed(ClockCheckStatus::kUnusable);
            case SntpReplyKind::kDenied:
                return Failed(ClockCheckStatus::kDenied);
            case SntpReplyKind::kRateLimited:
                return Failed(ClockCheckStatus::kRateLimited);
            case SntpReplyKind::kAnswer:
                break;
        }
        SntpOutcome outcome;
        outcome.status = ClockCheckStatus::kMeasured;
        outcome.sample = SampleOf(t1, read.receiveMicros, read.transmitMicros, t4);
        outcome.sample.server = server;
        outcome.sample.uptimeMs = arrivedMs;
        return outcome;
    }
}

}  // namespace tk
