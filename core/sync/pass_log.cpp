#include "core/sync/pass_log.h"

#include <cstdio>

#include "core/base/failure_report.h"
#include "core/base/gbk.h"
#include "core/base/path_text.h"
#include "core/store/profile_file.h"
#include "core/sync/clock_texts.h"
#include "core/sync/pass_texts.h"

namespace tk {

namespace {

// Failed screens the tooltip names before it only counts the rest.
constexpr size_t kTipListedFailures = 20;

// "YYYY-MM-DD HH:MM:SS" in local time; empty when the conversion fails.
std::string LogTime(int64_t time, IClock& clock) {
    std::tm local{};
    return FormatClock(clock.ToLocalTime(time, local) ? &local : nullptr, "%Y-%m-%d %H:%M:%S");
}

// Builds the lines of one pass; a pass's screens mostly share their second, which is then
// converted once.
class LineWriter {
public:
    LineWriter(std::string& out, IClock& clock) : m_out(out), m_clock(clock) {}
    void Add(int64_t time, const std::string& text) {
        if (!m_converted || time != m_time) {
            m_timeText = LogTime(time, m_clock);
            m_time = time;
            m_converted = true;
        }
        m_out += m_timeText;
        m_out += '\t';
        m_out += text;
        m_out += "\r\n";
    }

private:
    std::string& m_out;
    IClock& m_clock;
    bool m_converted = false;
    int64_t m_time = 0;
    std::string m_timeText;
};

}  // namespace

std::string LogPathFromModule(const std::string& modulePath) {
    const std::string name = NameOf(modulePath, kWindowsSeparators);
    const size_t dot = FindLastOfGbk(name, ".");
    const size_t cut = dot == std::string::npos ? 0 : name.size() - dot;
    return modulePath.substr(0, modulePath.size() - cut) + ".log";
}

std::string PassLogLines(const PassRecord& record, IClock& clock) {
    std::string out;
    out.reserve(64 * (record.screens.size() + 2));
    LineWriter lines(out, clock);
    lines.Add(record.started, record.manual ? "手动校时开始" : "自动校时开始");
    const std::string clockLine = record.clock ? ClockCheckLine(*record.clock) : std::string();
    if (!clockLine.empty()) lines.Add(record.started, clockLine);
    std::string text;
    for (const ScreenOutcome& screen : record.screens) {
        text = ScreenResultText(screen.number, screen.failure == ScreenFailure::kNone);
        text += '\t';
        text += ScreenPlaceText(screen);
        if (screen.failure != ScreenFailure::kNone) {
            text += '\t';
            text += ScreenFailureText(screen.failure);
        }
        lines.Add(screen.time, text);
    }
    lines.Add(record.ended, PassEndText(record));
    return out;
}

namespace {

// The operator's reason for the step that just failed, taken before a note can change it; a
// note for a developer follows.
void Failed(const char* what, std::string* why) {
    if (why != nullptr) *why = FailureReason(FileFailure::FromSystem());
    ReportFailure(what);
}

}  // namespace

// Each failure is noted and the next pass tries the move again.
bool AppendPassLog(ILogFile& file, const std::string& lines, std::string* why) {
    const int64_t size = file.Size();
    const int64_t after = size + static_cast<int64_t>(lines.size());
    if (size >= 0 && after > kPassLogLimit && !file.MoveAside()) {
        std::string moveFailure;
        Failed("moving the full pass log aside", &moveFailure);
        if (!file.CopyAside()) {
            ReportFailure("copying the full pass log aside");
            if (after > 2 * kPassLogLimit) {
                if (why != nullptr) *why = moveFailure;
                return false;
            }
        }
    }
    if (file.Append(lines)) return true;
    Failed("writing the pass log", why);
    return false;
}

std::string LogNotWritableText(const std::string& path, const std::string& reason) {
    std::string text = kLogNotWritableFormat;
    text.replace(text.find("%s"), 2, path + "\r\n" + reason);
    return text;
}

std::string LogLine(int64_t time, const std::string& text, IClock& clock) {
    std::string out;
    LineWriter(out, clock).Add(time, text);
    return out;
}

std::string StatusTipText(const PassRecord* last, IClock& clock, bool folderWritable,
                          const std::string& notes) {
    const std::string first = folderWritable ? "" : std::string(kFolderNotWritableTip) + "\r\n";
    const std::string noteLines = notes.empty() ? "" : "\r\n" + notes;
    if (last == nullptr) return first + "尚未校时" + noteLines;
    const std::string started = LogTime(last->started, clock);
    const std::string clockText = last->clock ? ClockCheckLine(*last->clock) : std::string();
    const std::string clockLine = clockText.empty() ? "" : "\r\n" + clockText;
    // A pass that set no screen says why in place of its figures.
    if (last->Refused()) {
        return first + "上次校时：" + started + clockLine + "\r\n" + PassEndText(*last) +
               noteLines + "\r\n双击状态栏打开校时日志";
    }
    char head[160];
    std::snprintf(head, sizeof head, "上次校时：%s　共%d张卡，%d张成功，%d张失败", started.c_str(),
                  last->count, last->count - last->failures, last->failures);
    std::string text = first + head + clockLine;
    size_t listed = 0, unlisted = 0;
    std::string failed;
    for (const ScreenOutcome& screen : last->screens) {
        if (screen.failure == ScreenFailure::kNone) continue;
        if (listed == kTipListedFailures) {
            ++unlisted;
            continue;
        }
        char item[64];
        std::snprintf(item, sizeof item, "%s%d号屏（%s）", listed == 0 ? "" : "、", screen.number,
                      ScreenFailureText(screen.failure));
        failed += item;
        ++listed;
    }
    if (listed > 0) {
        text += "\r\n失败：" + failed;
        if (unlisted > 0) text += "等" + std::to_string(unlisted) + "张";
    }
    return text + noteLines + "\r\n双击状态栏打开校时日志";
}

}  // namespace tk
