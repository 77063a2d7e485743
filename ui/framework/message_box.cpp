#include "ui/framework/message_box.h"

#include <utility>

#include "core/base/gbk.h"
#include "core/base/module_path_win.h"
#include "core/base/path_text.h"

namespace tk::ui {

namespace {

// The installed hook; empty means MessageBoxA.
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

// Shows a message box through the hook, captioned like every box of the program.
int ShowMessageBox(HWND owner, const std::string& text, UINT type) {
    const std::string caption = AppTitle();
    if (const MessageBoxHook& hook = Hook()) return hook(owner, text, caption, type);
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

// Builds the caption from the module file name, as the program has no title of its own. A name
// that is all extension (".exe") stays whole.
std::string AppTitle() {
    const std::string name = NameOf(ExecutablePath(), kWindowsSeparators);
    const size_t dot = FindLastOfGbk(name, ".");
    return dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

}  // namespace tk::ui
