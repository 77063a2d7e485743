// printf into a string of whatever length the text takes.
#pragma once

#include <cstdio>
#include <string>

namespace tk {

// One text of a printf format, however long: a path from a file dialog can take up to 32,767
// characters, a server name as many as the settings file holds, and a text that cut them would
// name another.
template <typename... T>
std::string Formatted(const char* format, T... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace tk
