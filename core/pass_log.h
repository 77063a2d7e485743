#pragma once

#include <cstdint>
#include <string>

#include "core/clock_text.h"
#include "core/pass.h"

namespace tk {

// A log that a pass's lines would take past this size is moved aside first, so the log and
// its one older part together stay near twice this size.
inline constexpr int64_t kPassLogLimit = 1024 * 1024;

// The pass log on disk.
class ILogFile {
public:
    virtual ~ILogFile() = default;
    virtual const std::string& Path() const = 0;
    virtual int64_t Size() = 0;    // -1: there is no log (or it cannot be looked at)
    virtual bool MoveAside() = 0;  // renames it to Path() + ".1", replacing an older one
    virtual bool Append(const std::string& bytes) = 0;  // creates it when missing
};

// The file at a path (pass_log_win.cpp, pass_log_posix.cpp). Each call opens and closes it, so
// another program may hold it between passes, and an append never waits for it.
class PassLogFile : public ILogFile {
public:
    explicit PassLogFile(std::string path) : m_path(std::move(path)) {}
    const std::string& Path() const override { return m_path; }
    int64_t Size() override;
    bool MoveAside() override;
    bool Append(const std::string& bytes) override;

private:
    std::string m_path;
};

// The log beside the executable, named after it: "TKAdjustTime.exe" gives "TKAdjustTime.log".
std::string LogPathFromModule(const std::string& modulePath);

// A pass's lines, GBK with CRLF ends: its start, each screen, its summary.
std::string PassLogLines(const PassRecord& record, IClock& clock);

// Moves a log that the lines would take past the limit aside, then appends the lines. false
// when they could not be written; every failure leaves a note and nothing else.
bool AppendPassLog(ILogFile& file, const std::string& lines);

// The status line's tooltip: before the first pass (last is nullptr) and after one.
std::string StatusTipText(const PassRecord* last, IClock& clock);

}  // namespace tk
