// Small helpers the Windows tests share: window texts, the message queue, a private temporary
// directory, files as bytes, and message boxes recorded instead of shown.
#ifndef TK_TESTS_WIN_WIN_TEST_UTIL_H
#define TK_TESTS_WIN_WIN_TEST_UTIL_H

#include <windows.h>

#include <fstream>
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

// A directory of its own under the temporary directory, removed with its files afterwards.
class TempDir {
public:
    TempDir() {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        m_path = std::string(base) + "tk-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++serial);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempDir() {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((m_path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileA((m_path + "\\" + found.cFileName).c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(m_path.c_str());
    }
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

}  // namespace tk_test

#endif
