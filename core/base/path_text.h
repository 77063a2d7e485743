#pragma once

#include <string>
#include <string_view>

namespace tk {

// Separators of a Windows path: the system takes both slashes.
inline constexpr std::string_view kWindowsSeparators = "\\/";
// Only the backslash, which is all GetModuleFileNameA writes: the settings path and the Run
// value name have always been cut there.
inline constexpr std::string_view kBackslash = "\\";

// What FolderOf makes of a separator right after a drive ("C:\x").
enum class DriveRoot {
    kCut,   // "C:": a folder that a separator and a name are appended to
    kKept,  // "C:\": a folder to open, where a bare "C:" would be the drive's current folder
};

// Paths are the system's ANSI bytes (GBK): a double-byte character's trail byte can be 0x5C
// and is then no separator, so these scans step over double-byte characters. POSIX paths are
// the file system's bytes (UTF-8 here), in which a GBK scan would miss a '/' after a
// non-ASCII character: they are not cut here.

// Position of the last separator of path; npos when there is none.
std::string::size_type LastSeparator(std::string_view path, std::string_view separators);

// The folder of path: the text before its last separator, "." when it has none. Only a drive's
// root keeps its separator, and only with DriveRoot::kKept; "\x" gives "".
std::string FolderOf(std::string_view path, std::string_view separators,
                     DriveRoot root = DriveRoot::kCut);

// The name of path: the text after its last separator, the whole path when it has none.
std::string NameOf(std::string_view path, std::string_view separators);

}  // namespace tk
