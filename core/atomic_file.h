#pragma once

#include <string>

namespace tk {

// Reads a whole file; false when it does not exist or cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces path with bytes in one step: the data goes to a temporary file in the same folder,
// is flushed, and is renamed over the target. A failure at any point leaves the old file as it
// was (or absent) and no temporary file behind.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace tk
