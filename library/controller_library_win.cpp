#include "library/controller_library.h"
#include "library/library_call.h"
#include "library/tk100_dll.h"

namespace tk {

int ImportedControllerLibrary::AdjustTime(int screenNumber) {
    return CallLibraryExport(&User_AdjustTime, screenNumber);
}

void ImportedControllerLibrary::ReloadIniFile() { CallLibraryExport(&User_ReloadIniFile); }

}  // namespace tk
