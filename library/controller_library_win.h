// Windows only: the pass's controller library over the imports of TK100_Dll.dll.
#pragma once

#include "core/sync/pass.h"

namespace tk {

// The pass's view of the controller library: the two load-time imports of TK100_Dll.dll.
class ImportedControllerLibrary final : public IControllerLibrary {
public:
    int AdjustTime(int screenNumber) override;
    void ReloadIniFile() override;
};

}  // namespace tk
