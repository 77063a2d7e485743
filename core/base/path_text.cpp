#include "core/base/path_text.h"

#include "core/base/gbk.h"

namespace tk {

std::string::size_type LastSeparator(std::string_view path, std::string_view separators) {
    return FindLastOfGbk(path, separators);
}

std::string FolderOf(std::string_view path, std::string_view separators, DriveRoot root) {
    const std::string::size_type cut = LastSeparator(path, separators);
    if (cut == std::string::npos) return ".";
    const bool driveRoot = root == DriveRoot::kKept && cut == 2 && path[1] == ':';
    return std::string(path.substr(0, driveRoot ? 3 : cut));
}

std::string NameOf(std::string_view path, std::string_view separators) {
    const std::string::size_type cut = LastSeparator(path, separators);
    return std::string(cut == std::string::npos ? path : path.substr(cut + 1));
}

}  // namespace tk
