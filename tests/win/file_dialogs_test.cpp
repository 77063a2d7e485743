// The platform's Open and Save dialogs as the exchange file's import and export run them, driven
// through their real windows: a name typed into the file-name box (0x47C), then OK.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/win/win_test_util.h"
#include "ui/config/screen_list_services.h"

namespace {

using tk_test::ModalScript;

constexpr int kFileNameBox = 0x47C;

// What FindOwnWindow looks for: a window with control `control`, owned by `owner` unless null.
struct OwnWindowSearch {
    int control;
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchOwnWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<OwnWindowSearch*>(param);
    if (!::IsWindowVisible(window) || ::GetDlgItem(window, s->control) == nullptr) return TRUE;
    if (s->owner != nullptr && ::GetWindow(window, GW_OWNER) != s->owner) return TRUE;
    s->found = window;
    return FALSE;
}

HWND FindOwnWindow(int control, HWND owner = nullptr) {
    OwnWindowSearch search{control, owner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FileDialog() { return FindOwnWindow(kFileNameBox); }

// The dialog's question before it replaces a file: a Yes/No box over it.
HWND ReplacePrompt() {
    const HWND dialog = FileDialog();
    return dialog == nullptr ? nullptr : FindOwnWindow(IDNO, dialog);
}

// Types path into the file-name box and presses OK. Posted: OK may open the prompt, whose loop
// must not run inside this step.
bool EnterName(const std::string& path) {
    const HWND dialog = FileDialog();
    if (dialog == nullptr) return false;
    ::SetDlgItemTextA(dialog, kFileNameBox, path.c_str());
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    return true;
}

// Says No to a prompt, else cancels the dialog, so a failing test cannot hang.
void CancelAll() {
    if (const HWND prompt = ReplacePrompt()) {
        ::PostMessageA(prompt, WM_COMMAND, IDNO, 0);
    } else if (const HWND dialog = FileDialog()) {
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// Import: a name typed without its extension opens the .ini file of that name.
TEST(FileDialogs, OpenAddsTheDefaultExtension) {
    tk_test::TempDir dir;
    tk_test::WriteFileBytes(dir.File("import.ini"), "[CONT]\r\n");
    ModalScript script({[&] { return EnterName(dir.File("import")); }}, CancelAll);
    std::string path;
    EXPECT_TRUE(tk::ui::CommonFileDialogs().ChooseOpenPath(nullptr, path));
    EXPECT_EQ(path, dir.File("import.ini"));
}

// Export onto an existing file asks first: No leaves the dialog open (Cancel then chooses
// nothing), Yes chooses the file.
TEST(FileDialogs, SaveAsksBeforeReplacingAFile) {
    const struct {
        int answer;
        bool chosen;
    } cases[] = {{IDNO, false}, {IDYES, true}};
    for (const auto& c : cases) {
        tk_test::TempDir dir;
        tk_test::WriteFileBytes(dir.File("export.ini"), "[CONT]\r\n");
        bool asked = false;
        ModalScript script({[&] { return EnterName(dir.File("export")); },
                            [&] {
                                const HWND prompt = ReplacePrompt();
                                if (prompt == nullptr) return false;
                                asked = true;
                                ::PostMessageA(prompt, WM_COMMAND, c.answer, 0);
                                return true;
                            },
                            [&] {
                                if (ReplacePrompt() != nullptr || FileDialog() == nullptr)
                                    return false;
                                ::PostMessageA(FileDialog(), WM_COMMAND, IDCANCEL, 0);
                                return true;
                            }},
                           CancelAll);
        std::string path;
        EXPECT_EQ(tk::ui::CommonFileDialogs().ChooseSavePath(nullptr, path), c.chosen) << c.answer;
        EXPECT_TRUE(asked) << c.answer;
        EXPECT_EQ(path, c.chosen ? dir.File("export.ini") : "") << c.answer;
    }
}

}  // namespace
