#include "library/controller_library.h"
#include "library/tk100_dll.h"

namespace tk {

int ImportedControllerLibrary::AdjustTime(int screenNumber) {
    return User_AdjustTime(screenNumber);
}

void ImportedControllerLibrary::ReloadIniFile() { User_ReloadIniFile(); }

}  // namespace tk
