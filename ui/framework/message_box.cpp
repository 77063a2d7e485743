#include "ui/framework/message_box.h"

#include <utility>

#include "core/base/call_hook.h"
#include "core/base/gbk.h"
#include "core/base/module_path_win.h"
#include "core/base/path_text.h"

namespace tk::ui {

namespace {

// The installed hook; none means MessageBoxA.
CallHook<int(HWND, const std::string&, const std::string&, UINT)>& Hook() {
    static CallHook<int(HWND, const std::string&, const std::string&, UINT)> hook;
    return hook;
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return Hook().Set(std::move(hook)); }

// Shows a message box through the hook, captioned like every box of the program.
int ShowMessageBox(HWND owner, const std::string& text, UINT type) {
    const std::string caption = AppTitle();
    return Hook().Call(
        [](HWND window, const std::string& body, const std::string& title, UINT kind) {
            return ::MessageBoxA(window, body.c_str(), title.c_str(), kind);
        },
        owner, text, caption, type);
}

// Builds the caption from the module file name, as the program has no title of its own. A name
// that is all extension (".exe") stays whole.
std::string AppTitle() {
    const std::string name = NameOf(ExecutablePath(), kWindowsSeparators);
    const size_t dot = FindLastOfGbk(name, ".");
    return dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

}  // namespace tk::ui
