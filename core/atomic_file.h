#pragma once

#include <string>

namespace tk {

// Reads a whole file. A file that does not exist, or whose folder does not, reads as empty;
// false when it exists and cannot be read (held by another program, no access).
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces path with bytes in one step: the data goes to a temporary file in the same folder,
// is flushed, and is renamed over the target. A failure at any point leaves the old file as it
// was (or absent) and no temporary file behind; the system's error code (GetLastError, errno)
// is then the one of the step that failed.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace tk
