#pragma once

#include <cstdint>
#include <string>

#include "core/sync/clock_text.h"
#include "core/sync/pass_record.h"

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
    // Copies it to Path() + ".1", replacing an older one, then empties it: what can still be
    // done while a viewer holds it without sharing its deletion, which stops the rename.
    virtual bool CopyAside() = 0;
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
    bool CopyAside() override;
    bool Append(const std::string& bytes) override;

private:
    std::string m_path;
};

// The log beside the executable, named after it: "TKAdjustTime.exe" gives "TKAdjustTime.log".
std::string LogPathFromModule(const std::string& modulePath);

// A pass's lines, GBK with CRLF ends: its start, each screen, its summary.
std::string PassLogLines(const PassRecord& record, IClock& clock);

// Moves a log that the lines would take past the limit aside, or copies it aside and empties
// it when it cannot be moved, then appends the lines. A log that can be neither moved nor
// copied grows up to twice the limit; past that the lines are left out, and the next pass tries
// again. False when the lines were not written: every failure leaves a note, and why (when
// given) receives the reason for the operator.
bool AppendPassLog(ILogFile& file, const std::string& lines, std::string* why = nullptr);

// What a double-click on the status line says when the last lines could not be written.
// "%s": the log's path and, on the next line, why.
inline constexpr char kLogNotWritableFormat[] = "校时日志无法写入：%s";
std::string LogNotWritableText(const std::string& path, const std::string& reason);

// The first line of the status line's tooltip while the program's folder cannot be written.
inline constexpr char kFolderNotWritableTip[] = "程序所在文件夹不可写：设置和日志无法保存";

// The status line's tooltip: before the first pass (last is nullptr) and after one; a folder
// that cannot be written is said first, the notes of other sinks (one a line) last but for the
// hint to double-click.
std::string StatusTipText(const PassRecord* last, IClock& clock, bool folderWritable = true,
                          const std::string& notes = {});

// The log's lines of the program's start and of its clean end.
inline constexpr char kProgramStartedFormat[] = "程序启动，版本%s";
inline constexpr char kProgramEndedText[] = "程序退出";
// The log's lines when automatic synchronisation is switched on, with its interval in seconds,
// and off.
inline constexpr char kAutomaticOnFormat[] = "自动校时已启用，间隔%lld秒";
inline constexpr char kAutomaticOffText[] = "自动校时已停止";
// One line of the log: the local time, a tab, the text, CRLF.
std::string LogLine(int64_t time, const std::string& text, IClock& clock);

}  // namespace tk
