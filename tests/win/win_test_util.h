// Small helpers the Windows tests share: window texts, the message queue, a private temporary
// directory, files as bytes, message boxes recorded instead of shown, and modal loops driven
// from inside.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ui/framework/message_box.h"

namespace tk_test {

// Text of one window, as GBK bytes.
inline std::string TextOf(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// Hands every waiting message of the thread to its window (the dialog manager posts IDCANCEL
// for WM_CLOSE, a menu its command).
inline void PumpAll() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Removes a folder with everything in it, read-only files too; what cannot go is left.
inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string entry = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(entry);
            } else {
                ::SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(entry.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(path.c_str());
}

// A directory of its own under the temporary directory, removed with everything in it
// afterwards. Wine hands out process ids again soon: a folder of the same name that a run
// ended by force left is removed first.
class TempDir {
public:
    TempDir() {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        m_path = std::string(base) + "tk-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++serial);
        RemoveTree(m_path);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const char* name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Whole contents of a file; nullopt when it does not exist.
inline std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// GBK text as an editor saves it "as Unicode": UTF-16LE behind its byte-order mark.
inline std::string Utf16File(const std::string& gbk) {
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    return "\xFF\xFE" +
           std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

// A message box the code under test tried to show.
struct ShownBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Records message boxes instead of showing them (answering OK), for the life of the object.
class BoxRecorder {
public:
    BoxRecorder() {
        m_previous = tk::ui::SetMessageBoxHook(
            [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
                boxes.push_back({owner, text, caption, type});
                return IDOK;
            });
    }
    ~BoxRecorder() { tk::ui::SetMessageBoxHook(m_previous); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : boxes) texts.push_back(box.text);
        return texts;
    }
    std::vector<ShownBox> boxes;

private:
    tk::ui::MessageBoxHook m_previous;
};

// Drives a modal loop from inside: a thread timer runs the steps one per tick, in whatever loop
// is running (the dialog's own, a message box's, the about box's, a menu's). A step returns
// true when done; false tries it again at the next tick. When no step has got done for a few
// seconds, giveUp runs (again every so often), so a failing test cannot hang.
class ModalScript {
public:
    using Step = std::function<bool()>;

    ModalScript(std::vector<Step> steps, std::function<void()> giveUp)
        : m_steps(std::move(steps)), m_giveUp(std::move(giveUp)) {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &ModalScript::OnTick);
    }
    ~ModalScript() {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool GaveUp() const { return m_gaveUp; }

private:
    static constexpr int kGiveUpTicks = 300;

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = s_current;
        if (self == nullptr || self->m_running) return;
        // A step may open a nested loop that ticks again; it runs to its end first.
        self->m_running = true;
        if (self->m_next < self->m_steps.size() && self->m_steps[self->m_next]()) {
            ++self->m_next;
            self->m_idleTicks = 0;
        } else if (++self->m_idleTicks % kGiveUpTicks == 0) {
            self->m_gaveUp = true;
            if (self->m_giveUp) self->m_giveUp();
        }
        self->m_running = false;
    }

    static inline ModalScript* s_current = nullptr;
    std::vector<Step> m_steps;
    std::function<void()> m_giveUp;
    UINT_PTR m_timer = 0;
    size_t m_next = 0;
    int m_idleTicks = 0;
    bool m_running = false;
    bool m_gaveUp = false;
};

// What FindThreadWindow looks for, and what it found.
struct ThreadWindowSearch {
    const std::string& caption;
    HWND owner;
    HWND found;
};

// EnumThreadWindows callback of FindThreadWindow (a named function: x86 needs CALLBACK).
inline BOOL CALLBACK MatchThreadWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<ThreadWindowSearch*>(param);
    if (!::IsWindowVisible(window) || TextOf(window) != s->caption) return TRUE;
    if (s->owner != nullptr && ::GetWindow(window, GW_OWNER) != s->owner) return TRUE;
    s->found = window;
    return FALSE;
}

// The first visible window of this thread with the given caption and owner (null: any owner),
// or null.
inline HWND FindThreadWindow(const std::string& caption, HWND owner = nullptr) {
    ThreadWindowSearch search{caption, owner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchThreadWindow,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace tk_test
