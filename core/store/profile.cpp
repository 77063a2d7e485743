#include "core/store/profile.h"

#include <vector>

namespace tk {

std::string GetProfileText(IProfileReader& profile, const char* section, const char* key,
                           const char* def, unsigned size) {
    if (size == 0) return std::string();
    std::vector<char> buf(size, '\0');
    const unsigned n = profile.GetString(section, key, def, buf.data(), size);
    return std::string(buf.data(), n < size ? n : size - 1);
}

}  // namespace tk
