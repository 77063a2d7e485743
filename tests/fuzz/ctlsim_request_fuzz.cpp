// The controller simulator's side of the wire format: arbitrary datagrams and serial bytes as
// requests, served by a controller of any configuration at any host time. A datagram is a
// request only when it is one whole request frame; every answer echoes the request's command,
// sequence, address and model with the status its configuration and the request call for; a
// clock set is the time asked for, and a clock read is a valid date and time.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "library/frame.h"
#include "tests/fuzz/fuzz_util.h"
#include "tools/ctlsim/sim_controller.h"

namespace {

using namespace tk::fuzz;
namespace wire = tk::wire;
namespace sim = tk::sim;

void CheckDatagram(const std::string& raw) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw.data());
    wire::Frame frame;
    const wire::DecodeResult result = sim::DecodeRequestDatagram(bytes, raw.size(), frame);
    wire::Frame plain;
    const bool whole = raw.size() == wire::kFrameSize &&
                       wire::Decode(bytes, raw.size(), plain) == wire::DecodeResult::kOk &&
                       plain.kind == wire::Kind::kRequest;
    Check((result == wire::DecodeResult::kOk) == whole, "a datagram is a request when whole");
    if (raw.size() != wire::kFrameSize)
        Check(result == wire::DecodeResult::kTooShort, "a datagram of another size is refused");
}

// Serves one request and checks the reaction against the controller's configuration.
void Serve(sim::SimController& controller, const wire::Frame& request, std::int64_t host,
           std::int64_t mono) {
    const sim::ControllerConfig& config = controller.Config();
    const std::int64_t clockBefore = controller.ClockMs(mono);
    const sim::Reaction r = controller.Handle(request, host, mono);
    if (config.behaviour == sim::Behaviour::kSilent) {
        Check(!r.answer && !r.clockSet, "a silent controller stays silent");
        return;
    }
    Check(r.answer, "a controller answers");
    const wire::Frame& a = r.frame;
    Check(a.kind == wire::Kind::kAnswer && a.command == request.command &&
              a.sequence == request.sequence && a.address == request.address &&
              a.model == request.model,
          "an answer echoes its request");
    Check(r.delayMs == (config.behaviour == sim::Behaviour::kLate ? config.lateMs : 0),
          "answer delay");
    wire::Status want = wire::Status::kOk;
    if (config.behaviour == sim::Behaviour::kError) {
        want = wire::Status::kRefused;
    } else if (config.model >= 0 && request.model != config.model) {
        want = wire::Status::kWrongModel;
    } else if (request.command == wire::Command::kSetTime) {
        if (!wire::IsValidTimestamp(request.time)) want = wire::Status::kBadTime;
    } else if (request.command != wire::Command::kReadTime) {
        want = wire::Status::kUnknownCommand;
    }
    Check(a.status == want, "answer status");
    const bool sets = want == wire::Status::kOk && request.command == wire::Command::kSetTime;
    Check(r.clockSet == sets, "only a good set-time request sets the clock");
    if (sets) {
        Check(a.time == request.time, "a set time is echoed");
        Check(controller.ClockMs(mono) == wire::CivilMilliseconds(request.time),
              "the clock is the time set");
        Check(r.offsetMs == wire::CivilMilliseconds(request.time) - host, "offset of a set");
    } else {
        Check(controller.ClockMs(mono) == clockBefore, "the clock is left as it was");
    }
    if (want == wire::Status::kOk && request.command == wire::Command::kReadTime) {
        Check(wire::IsValidTimestamp(a.time), "a clock read is a valid time");
        Check(wire::CivilMilliseconds(a.time) == clockBefore, "a clock read is the clock");
    }
    const wire::FrameBytes bytes = wire::Encode(a);
    wire::Frame back;
    Check(wire::Decode(bytes.data(), bytes.size(), back) == wire::DecodeResult::kOk &&
              back.kind == wire::Kind::kAnswer && back.status == a.status && back.time == a.time,
          "an answer encodes and decodes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);

    // A controller as the command line can configure it, started at some host time.
    sim::ControllerConfig config;
    config.address = in.ConsumeIntegral<std::uint16_t>() % 4;
    config.behaviour = static_cast<sim::Behaviour>(in.ConsumeIntegralInRange(0, 3));
    config.lateMs = in.ConsumeIntegralInRange(0, 600000);
    config.model = in.ConsumeIntegralInRange(-1, 0xFFFF);
    config.skewMs = in.ConsumeIntegralInRange<std::int64_t>(-100000000000LL, 100000000000LL);
    // Host clocks from 1970 to about 3000, as local calendar milliseconds.
    std::int64_t host = in.ConsumeIntegralInRange<std::int64_t>(100000000000LL, 32503680000000LL);
    std::int64_t mono = in.ConsumeIntegralInRange<std::int64_t>(0, 1LL << 40);
    sim::SimController controller(config, host, mono);

    // Datagrams: each on its own; whole requests are served.
    const int datagrams = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < datagrams; ++i) {
        std::string raw = in.ConsumeRandomLengthString(40);
        CheckDatagram(raw);
        wire::Frame request;
        if (sim::DecodeRequestDatagram(reinterpret_cast<const std::uint8_t*>(raw.data()),
                                       raw.size(), request) == wire::DecodeResult::kOk) {
            const std::int64_t step = in.ConsumeIntegralInRange<std::int64_t>(0, 86400000);
            host += step;
            mono += step;
            Serve(controller, request, host, mono);
        }
    }

    // A serial line: requests found in the byte stream, fed in pieces.
    wire::FrameScanner scanner(wire::Kind::kRequest);
    const std::string line = in.ConsumeRemainingBytesAsString();
    for (size_t pos = 0; pos < line.size();) {
        const size_t taken = scanner.Feed(reinterpret_cast<const std::uint8_t*>(line.data()) + pos,
                                          line.size() - pos);
        wire::Frame request;
        bool any = false;
        while (scanner.Next(request)) {
            any = true;
            Check(request.kind == wire::Kind::kRequest, "the line gives requests only");
            mono += 5;
            host += 5;
            Serve(controller, request, host, mono);
        }
        Check(taken > 0 || any, "the scanner makes room");
        pos += taken;
    }
    return 0;
}
