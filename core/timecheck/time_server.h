// Which time server a pass compares the PC's clock with: the settings file's own key, else the
// Windows time service's first server.
#pragma once

#include <cstdint>
#include <string>

#include "core/store/profile.h"
#include "core/store/settings.h"

namespace tk {

inline constexpr std::uint16_t kNtpPort = 123;

// The Windows time service's NtpServer values: the group policy's and the service's own; empty
// where there is none.
struct W32TimeServers {
    std::string policy;
    std::string service;
};

// Reads them from the registry (w32time_setting_win.cpp); elsewhere there are none
// (w32time_setting_posix.cpp).
class IW32TimeSetting {
public:
    virtual ~IW32TimeSetting() = default;
    virtual W32TimeServers Read() = 0;
};

class W32TimeSetting final : public IW32TimeSetting {
public:
    W32TimeServers Read() override;
};

// The first server of an NtpServer value ("time.windows.com,0x9 pool.ntp.org" gives
// "time.windows.com"); empty when it names none.
std::string FirstW32TimeServer(const std::string& value);

// The server as configured: the key's text when set, else the policy's first server, else the
// service's; empty for none (the key says "none", or nothing names a server).
std::string ChooseTimeServer(const std::string& key, const W32TimeServers& w32time);

// Splits "host" or "host:port"; false when the port is not a number from 1 to 65535 or the host
// is empty.
bool SplitServerText(const std::string& text, std::string& host, std::uint16_t& port);

// Where the server's text comes from (sTimeServer, else the time service's); empty: none.
class ITimeServerSource {
public:
    virtual ~ITimeServerSource() = default;
    virtual std::string Current() = 0;
};

// The server the next query asks, read again for each pass so that a change of the settings file
// or of the time service takes effect without a restart.
class TimeServerSetting final : public ITimeServerSource {
public:
    TimeServerSetting(IProfileReader& settings, IW32TimeSetting& w32time)
        : m_settings(settings), m_w32time(w32time) {}
    std::string Current() override;

private:
    IProfileReader& m_settings;
    IW32TimeSetting& m_w32time;
};

}  // namespace tk
