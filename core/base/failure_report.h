#pragma once

#include <functional>
#include <string>

namespace tk {

// Receives each failure note in place of the debug output: what failed and the system's text
// for the error it left (tests record them).
using FailureHook = std::function<void(const std::string& what, const std::string& error)>;

// Replaces the hook and returns the previous one; an empty hook restores the debug output.
// A process-wide hook rather than a service: notes come from every layer, down to handle
// closers, and a test checks that a failure left its note.
FailureHook SetFailureHook(FailureHook hook);

// Leaves a note for a developer where a failure changes nothing the user sees: "<what> failed:
// <error>", with the calling thread's last system error. Never throws, so a handler that is
// already failing can call it.
void ReportFailure(const char* what) noexcept;

// The calling thread's last system error (GetLastError, errno) as "error <n>: <text>".
std::string LastErrorText();

// The calling thread's last system error code (GetLastError, errno); 0 when none was set.
int LastErrorCode();

// Writes one line where a developer sees it: OutputDebugStringA on Windows, which Wine shows
// on its debug channel (WINEDEBUG=+debugstr); standard error elsewhere.
void WriteDebugLine(const std::string& line);

}  // namespace tk
