// The parameter window as the list window's editor of one screen.
#include "ui/config/screen_list_services.h"
#include "ui/config/screen_param_dlg.h"

namespace tk::ui {

namespace {

class ParameterWindow final : public IScreenEditor {
public:
    bool EditScreen(HWND owner, int number, const ScreenRow* given, ScreenRow& edited) override {
        CSrcreenParamDlg window(number);
        if (given != nullptr) window.SetRow(*given);
        if (window.DoModal(owner) != IDOK) return false;
        edited = window.Row();
        return true;
    }
};

}  // namespace

IScreenEditor& ParameterWindowEditor() {
    static ParameterWindow editor;
    return editor;
}

}  // namespace tk::ui
