#include "core/timecheck/time_server.h"

#include <cctype>
#include <cstdlib>

namespace tk {

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool IsNone(const std::string& text) {
    if (text.size() != sizeof kNoTimeServer - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != kNoTimeServer[i]) return false;
    }
    return true;
}

}  // namespace

// Entries are separated by spaces; flags follow a comma.
std::string FirstW32TimeServer(const std::string& value) {
    const size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t end = value.find_first_of(" ,", first);
    return value.substr(first, end == std::string::npos ? std::string::npos : end - first);
}

// Group policy wins over the service's own setting, as it does for the time service itself.
std::string ChooseTimeServer(const std::string& key, const W32TimeServers& w32time) {
    const std::string own = Trimmed(key);
    if (IsNone(own)) return {};
    if (!own.empty()) return own;
    const std::string policy = FirstW32TimeServer(w32time.policy);
    if (!policy.empty()) return policy;
    return FirstW32TimeServer(w32time.service);
}

bool SplitServerText(const std::string& text, std::string& host, std::uint16_t& port) {
    const size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    port = kNtpPort;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        const long value = std::strtol(digits.c_str(), nullptr, 10);
        if (value < 1 || value > 65535) return false;
        port = static_cast<std::uint16_t>(value);
    }
    return !host.empty();
}

std::string TimeServerSetting::Current() {
    return ChooseTimeServer(ReadTimeServerKey(m_settings), m_w32time.Read());
}

}  // namespace tk
