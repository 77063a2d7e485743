#include "ui/framework/message_box.h"

#include <utility>

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

// Builds the caption from the module file name, as the program has no title of its own.
// The scan steps over double-byte characters: a GBK trail byte can equal '\\'.
std::string AppTitle() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    size_t nameStart = 0;
    size_t dot = std::string::npos;
    for (size_t i = 0; i < length; ++i) {
        const char c = path[i];
        if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < length) {
            ++i;
        } else if (c == '\\' || c == '/') {
            nameStart = i + 1;
            dot = std::string::npos;
        } else if (c == '.') {
            dot = i;
        }
    }
    const size_t nameEnd = (dot != std::string::npos && dot > nameStart) ? dot : length;
    return std::string(path + nameStart, path + nameEnd);
}

}  // namespace tk::ui
