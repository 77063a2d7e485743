#include "tools/ctlsim/sim_controller.h"

namespace tk::sim {

wire::DecodeResult DecodeRequestDatagram(const std::uint8_t* data, std::size_t size,
                                         wire::Frame& frame) {
    if (size != wire::kFrameSize) return wire::DecodeResult::kTooShort;
    const wire::DecodeResult result = wire::Decode(data, size, frame);
    // An answer is no request: a controller never takes another controller's reply.
    if (result == wire::DecodeResult::kOk && frame.kind != wire::Kind::kRequest)
        return wire::DecodeResult::kBadMagic;
    return result;
}

SimController::SimController(const ControllerConfig& config, std::int64_t hostMs,
                             std::int64_t monoMs)
    : m_config(config), m_baseMs(hostMs + config.skewMs), m_baseMono(monoMs) {}

Reaction SimController::Handle(const wire::Frame& request, std::int64_t hostMs,
                               std::int64_t monoMs) {
    Reaction r;
    if (m_config.behaviour == Behaviour::kSilent) return r;
    r.answer = true;
    r.delayMs = m_config.behaviour == Behaviour::kLate ? m_config.lateMs : 0;
    r.frame = request;
    r.frame.kind = wire::Kind::kAnswer;
    r.frame.status = wire::Status::kOk;
    if (m_config.behaviour == Behaviour::kError) {
        r.frame.status = wire::Status::kRefused;
    } else if (m_config.model >= 0 && request.model != m_config.model) {
        r.frame.status = wire::Status::kWrongModel;
    } else if (request.command == wire::Command::kSetTime) {
        if (!wire::IsValidTimestamp(request.time)) {
            r.frame.status = wire::Status::kBadTime;
        } else {
            r.wasOffMs = ClockMs(monoMs) - hostMs;
            m_baseMs = wire::CivilMilliseconds(request.time);
            m_baseMono = monoMs;
            m_set = true;
            r.clockSet = true;
            r.offsetMs = m_baseMs - hostMs;
        }
    } else if (request.command == wire::Command::kReadTime) {
        r.frame.time = wire::FromCivilMilliseconds(ClockMs(monoMs));
        r.offsetMs = ClockMs(monoMs) - hostMs;
    } else {
        r.frame.status = wire::Status::kUnknownCommand;
    }
    return r;
}

}  // namespace tk::sim
