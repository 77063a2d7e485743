// The PC's clock, to the second, as the clock line, the pass and its log read it.
#pragma once

#include <cstdint>
#include <ctime>

namespace tk {

class IClock {
public:
    virtual ~IClock() = default;
    virtual int64_t Now() = 0;  // seconds since 1970-01-01 UTC
    // Local time of `time`; false when the conversion fails.
    virtual bool ToLocalTime(int64_t time, std::tm& local) = 0;
};

// The PC's clock through the C runtime.
class SystemClock : public IClock {
public:
    int64_t Now() override;
    bool ToLocalTime(int64_t time, std::tm& local) override;
};

}  // namespace tk
