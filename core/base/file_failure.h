#pragma once

#include <string>

namespace tk {

// Why a file was not read or not written. Every reader and writer of files says it with this
// one type, and FailureReason is the one place that turns it into the operator's words: a new
// reason is one more kind here and one more case there.
struct FileFailure {
    enum class Kind {
        kNone,
        kMissing,     // no such file (nor perhaps its folder): a normal case where a file is
                      // read as empty and created by its first save
        kSystem,      // a system call failed: systemCode and systemText say why
        kNotAnsi,     // UTF-16, or UTF-8 beyond ASCII behind a byte-order mark
        kTooLarge,    // larger than the reader takes
        kUnstorable,  // a value the file could not give back as written (a line break, ...)
    };
    Kind kind = Kind::kNone;
    int systemCode = 0;      // kSystem, kMissing: the system's error code
    std::string systemText;  // kSystem, kMissing: "error <n>: <the system's message>"

    bool Failed() const { return kind != Kind::kNone; }
    bool Missing() const { return kind == Kind::kMissing; }
    // Of the kind given, with the calling thread's last system error, taken at once; the error
    // stays set for the caller's own report.
    static FileFailure FromSystem(Kind kind = Kind::kSystem);
    static FileFailure Of(Kind kind) {
        FileFailure failure;
        failure.kind = kind;
        return failure;
    }
};

// Reasons of the program's own, where no system call failed.
inline constexpr char kReasonNotAnsi[] =
    "文件不是ANSI（GBK）编码（例如被保存成了Unicode），本程序不能改写它。";
inline constexpr char kReasonTooLarge[] = "文件大于1MB，不是控制卡参数文件，本程序不读取它。";
inline constexpr char kReasonUnstorable[] = "有参数含有不能写入INI文件的字符（例如换行）。";
inline constexpr char kReasonNoSystemText[] = "系统没有说明原因。";

// The reason an operator's message gives: the system's text when a system call failed, else the
// program's own.
std::string FailureReason(const FileFailure& failure);

}  // namespace tk
