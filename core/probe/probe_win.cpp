// winsock2.h must come before windows.h, and iphlpapi.h before icmpapi.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <winternl.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/failure_report.h"
#include "core/probe/probe.h"
#include "core/probe/probe_socket.h"
#include "core/base/unique_handle_win.h"

namespace tk {

namespace {

// A handle from IcmpCreateFile, which reports failure as INVALID_HANDLE_VALUE.
struct IcmpHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::IcmpCloseHandle(handle); }
};
using UniqueIcmpHandle = UniqueAny<IcmpHandleTraits>;

// The echo request's data, behind its 8-byte ICMP header.
constexpr std::size_t kEchoDataOffset = 8;
constexpr std::size_t kEchoDataSize = kEchoRequestSize - kEchoDataOffset;

using Clock = std::chrono::steady_clock;

// Milliseconds left until a deadline, rounded up; 0 once it has passed.
DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// A raw ICMP socket owned by the probe, closed when the probe is done with it.
class RawEchoSocket : public IEchoSocket {
public:
    RawEchoSocket(UniqueSocket socket, SelectFunction select)
        : m_socket(std::move(socket)), m_select(select) {}

    // Winsock takes both time-outs as a DWORD of milliseconds.
    bool SetTimeouts(int milliseconds) override {
        const DWORD timeout = static_cast<DWORD>(milliseconds);
        const char* value = reinterpret_cast<const char*>(&timeout);
        return ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVTIMEO, value, sizeof timeout) == 0 &&
               ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_SNDTIMEO, value, sizeof timeout) == 0;
    }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        SendEchoRequest(m_socket.Get(), address, packet);
    }

    // The socket sees every ICMP message the host receives, on loopback its own requests too;
    // the caller passes over whatever is not an answer to it.
    bool Receive(int microseconds, IcmpMessage& message) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket.Get(), &readable);
        timeval wait{};
        wait.tv_sec = microseconds / 1000000;
        wait.tv_usec = microseconds % 1000000;
        if (m_select(0, &readable, nullptr, nullptr, &wait) <= 0 ||
            !FD_ISSET(m_socket.Get(), &readable)) {
            return false;
        }
        std::uint8_t datagram[1500];
        const int size = ::recvfrom(m_socket.Get(), reinterpret_cast<char*>(datagram),
                                    sizeof datagram, 0, nullptr, nullptr);
        // A failed read (an oversized datagram among them) or one too short to hold its header
        // is passed over like any foreign message, so it cannot cut the wait for the others
        // short.
        if (size < 0 ||
            !ParseIcmpDatagram(datagram, static_cast<std::size_t>(size), true, 0, message)) {
            message = IcmpMessage{};
        }
        return true;
    }

private:
    UniqueSocket m_socket;
    SelectFunction m_select;
};

class HelperEchoSocket;

// One request started through the ICMP helper, with the buffer the system writes its reply
// into. It stays where it is, and alive, until the request has completed.
struct HelperEcho {
    HelperEchoSocket* owner = nullptr;  // null once the socket has given the request up
    std::uint16_t sequence = 0;
    bool pending = false;
    // What the helper asks room for: the reply record, the data echoed back, an ICMP error's
    // 8 bytes and the status block of an asynchronous call; and up to 40 bytes of IP options.
    alignas(ICMP_ECHO_REPLY) std::uint8_t
        reply[sizeof(ICMP_ECHO_REPLY) + kEchoDataSize + 8 + sizeof(IO_STATUS_BLOCK) + 40];
};

// The ICMP helper API, for users without the right to open raw sockets. It writes its own
// header (identifier, sequence number, checksum) and sends the request's 37 data bytes behind
// it, so the echo on the wire is still 45 bytes. Each Send starts an asynchronous request with
// a 100 ms time-out of its own; its completion comes as an APC, which runs only while this
// thread waits alertably, so Receive and the destructor wait with SleepEx and the requests of
// a batch are all in flight together. Completions queue in the order they came.
class HelperEchoSocket : public IEchoSocket {
public:
    HelperEchoSocket(UniqueIcmpHandle handle, SendEcho2Function sendEcho)
        : m_handle(std::move(handle)), m_sendEcho(sendEcho) {}

    // The system writes a reply into its request's buffer until that request completes, and
    // closing the handle does not stop what is in flight (Wine completes such requests after
    // the close all the same): wait for them, which their time-outs bound to about 100 ms.
    // A request still in flight after a second is given up and its buffer leaked rather than
    // freed under the system's feet; its late completion then finds no owner.
    ~HelperEchoSocket() override {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(1);
        while (m_outstanding > 0) {
            const DWORD left = MillisecondsUntil(deadline);
            if (left == 0) break;
            ::SleepEx(left, TRUE);
        }
        for (std::unique_ptr<HelperEcho>& echo : m_echoes) {
            if (!echo->pending) continue;
            echo->owner = nullptr;
            (void)echo.release();
        }
    }

    // The helper has no socket options: each request carries its own time-out.
    bool SetTimeouts(int) override { return true; }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        m_echoes.push_back(std::make_unique<HelperEcho>());
        HelperEcho& echo = *m_echoes.back();
        echo.owner = this;
        echo.sequence = EchoSequence(packet);
        // Room for every completion now, so the APC never allocates.
        if (m_completed.capacity() < m_echoes.size()) m_completed.reserve(2 * m_echoes.size());
        // On Windows 7 and later the APC routine is a PIO_APC_ROUTINE; the header declares the
        // parameter as a FARPROC for older systems.
        const auto routine = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&OnCompleted));
        const DWORD replies =
            m_sendEcho(m_handle.Get(), nullptr, routine, &echo, address,
                       const_cast<std::uint8_t*>(packet.data() + kEchoDataOffset),
                       static_cast<WORD>(kEchoDataSize), nullptr, echo.reply, sizeof echo.reply,
                       static_cast<DWORD>(kProbeWaitMicroseconds / 1000));
        if (replies == 0 && ::GetLastError() == ERROR_IO_PENDING) {
            echo.pending = true;
            ++m_outstanding;
            return;
        }
        // Not started: nothing will come for this request, and the host stays unanswered.
        ReportFailure("starting an ICMP echo through the helper");
    }

    // Waits up to the given time for the next completion. A zero wait still waits alertably
    // once, which runs the APCs of requests that have completed meanwhile.
    bool Receive(int microseconds, IcmpMessage& message) override {
        const Clock::time_point deadline = Clock::now() + std::chrono::microseconds(microseconds);
        bool waited = false;
        while (m_read == m_completed.size()) {
            if (m_outstanding == 0) return false;
            const DWORD left = MillisecondsUntil(deadline);
            if (waited && left == 0) return false;
            ::SleepEx(left, TRUE);
            waited = true;
        }
        HelperEcho& echo = *m_completed[m_read++];
        // An asynchronous call leaves the reply raw; IcmpParseReplies lays out the record.
        const DWORD replies = ::IcmpParseReplies(echo.reply, sizeof echo.reply);
        ICMP_ECHO_REPLY reply;
        std::memcpy(&reply, echo.reply, sizeof reply);
        message = IcmpMessage{};
        message.from = reply.Address;
        if (replies > 0 && reply.Status == IP_SUCCESS) message.type = kEchoReplyType;
        message.sequence = echo.sequence;
        return true;
    }

private:
    // The APC of a completed request. A request this socket gave up (or never saw start) is
    // left alone.
    static void NTAPI OnCompleted(void* context, IO_STATUS_BLOCK*, ULONG) noexcept {
        HelperEcho* echo = static_cast<HelperEcho*>(context);
        if (!echo->pending) return;
        echo->pending = false;
        if (HelperEchoSocket* owner = echo->owner) {
            owner->m_completed.push_back(echo);
            --owner->m_outstanding;
        }
    }

    UniqueIcmpHandle m_handle;
    SendEcho2Function m_sendEcho;
    std::vector<std::unique_ptr<HelperEcho>> m_echoes;  // every request of the batch
    std::vector<HelperEcho*> m_completed;               // in the order they completed
    std::size_t m_read = 0;                             // completions Receive has returned
    std::size_t m_outstanding = 0;                      // requests still in flight
};

}  // namespace

std::unique_ptr<IEchoSocket> OpenRawEchoSocket() { return OpenRawEchoSocketWith(::select); }

std::unique_ptr<IEchoSocket> OpenRawEchoSocketWith(SelectFunction select) {
    UniqueSocket socket(
        ::WSASocket(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    if (!socket) return nullptr;
    return std::make_unique<RawEchoSocket>(std::move(socket), select);
}

std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket() {
    return OpenUnprivilegedEchoSocketWith(::IcmpSendEcho2);
}

std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocketWith(SendEcho2Function sendEcho) {
    UniqueIcmpHandle handle(::IcmpCreateFile());
    if (!handle) return nullptr;
    return std::make_unique<HelperEchoSocket>(std::move(handle), sendEcho);
}

}  // namespace tk
