// The parameter window as the list window's editor of one screen.
#include "ui/config/screen_list_services.h"
#include "ui/config/screen_param_dlg.h"

namespace tk::ui {

bool ParameterWindowEditor::EditScreen(HWND owner, int number, const ScreenRow* given,
                                       ScreenRow& edited) {
    CSrcreenParamDlg window(number);
    if (given != nullptr) window.SetRow(*given);
    if (window.DoModal(owner) != IDOK) return false;
    edited = window.Row();
    return true;
}

}  // namespace tk::ui
