#include "core/base/file_failure.h"

#include "core/base/failure_report.h"

namespace tk {

FileFailure FileFailure::FromSystem(Kind kind) {
    FileFailure failure;
    failure.kind = kind;
    failure.systemCode = LastErrorCode();
    failure.systemText = LastErrorText();
    return failure;
}

std::string FailureReason(const FileFailure& failure) {
    switch (failure.kind) {
        case FileFailure::Kind::kNotAnsi:
            return kReasonNotAnsi;
        case FileFailure::Kind::kTooLarge:
            return kReasonTooLarge;
        case FileFailure::Kind::kUnstorable:
            return kReasonUnstorable;
        case FileFailure::Kind::kMissing:
        case FileFailure::Kind::kSystem:
        case FileFailure::Kind::kNone:
            break;
    }
    // A call that failed without saying why would read as "error 0: success".
    return failure.systemCode != 0 ? failure.systemText : std::string(kReasonNoSystemText);
}

}  // namespace tk
