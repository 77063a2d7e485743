// The NTP servers tests/chrony/with-chronyd started for a test program, from TK_CHRONY_SERVERS.
#pragma once

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace tk_test {

// Shift in seconds -> "address:port" of the chronyd that serves it.
inline std::map<long, std::string> Chronyds() {
    std::map<long, std::string> servers;
    const char* list = std::getenv("TK_CHRONY_SERVERS");
    std::istringstream words(list != nullptr ? list : "");
    std::string word;
    while (words >> word) {
        const size_t equals = word.find('=');
        servers[std::strtol(word.c_str() + equals + 1, nullptr, 10)] = word.substr(0, equals);
    }
    return servers;
}

}  // namespace tk_test
