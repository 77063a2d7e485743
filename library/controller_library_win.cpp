#include "library/controller_library_win.h"

#include "library/library_call_win.h"
#include "library/tk100_dll_win.h"

namespace tk {

int ImportedControllerLibrary::AdjustTime(int screenNumber) {
    return CallLibraryExport(&User_AdjustTime, screenNumber);
}

void ImportedControllerLibrary::ReloadIniFile() { CallLibraryExport(&User_ReloadIniFile); }

}  // namespace tk
