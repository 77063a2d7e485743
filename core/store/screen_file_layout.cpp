#include "core/store/screen_file_layout.h"

namespace tk {

// The prefix (GBK bytes for the settings file) and the index in decimal.
std::string ScreenSectionName(int index) { return kScreenSectionPrefix + std::to_string(index); }

std::string ExchangeSectionName(int index) {
    return kExchangeSectionPrefix + std::to_string(index);
}

}  // namespace tk
