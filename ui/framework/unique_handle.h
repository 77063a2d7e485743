// Owning handles: one move-only template with a traits class per handle type. Only handles the
// program owns are wrapped; borrowed ones (a dialog's controls, icons from LoadIcon, the
// window's device context during painting) stay plain handles.
#ifndef TK_UI_FRAMEWORK_UNIQUE_HANDLE_H
#define TK_UI_FRAMEWORK_UNIQUE_HANDLE_H

// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
#include <winsock2.h>
// After winsock2.h.
#include <windows.h>

#include <utility>

namespace tk::ui {

// Owns one handle of the kind Traits describes: Traits::Handle, Traits::Invalid() and
// Traits::Close(handle). Copying is impossible; moving leaves the source empty.
template <typename Traits>
class UniqueAny {
public:
    using Handle = typename Traits::Handle;

    UniqueAny() noexcept : m_handle(Traits::Invalid()) {}
    explicit UniqueAny(Handle handle) noexcept : m_handle(handle) {}
    UniqueAny(UniqueAny&& other) noexcept : m_handle(other.Release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { Reset(); }

    Handle Get() const noexcept { return m_handle; }
    bool IsValid() const noexcept { return m_handle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without closing.
    Handle Release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }

    // Closes the held handle (if any) and takes the new one.
    void Reset(Handle handle = Traits::Invalid()) noexcept {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // Closes the held handle and returns the address of the empty slot, for functions that
    // return a handle through a pointer (RegOpenKeyExA).
    Handle* Put() noexcept {
        Reset();
        return &m_handle;
    }

private:
    Handle m_handle;
};

// Base of the traits for handles whose empty value is a null pointer.
template <typename H>
struct NullHandleTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
};

// A brush from CreateSolidBrush and the like.
struct BrushTraits : NullHandleTraits<HBRUSH> {
    static void Close(HBRUSH handle) noexcept { ::DeleteObject(handle); }
};
// A menu from CreatePopupMenu/CreateMenu that is not attached to a window.
struct MenuTraits : NullHandleTraits<HMENU> {
    static void Close(HMENU handle) noexcept { ::DestroyMenu(handle); }
};
// An icon the program created itself (CreateIconIndirect, CopyIcon, LoadImage without
// LR_SHARED). LoadIcon returns a shared icon that the system owns and that must never be
// destroyed, so such icons are held as plain HICONs.
struct IconTraits : NullHandleTraits<HICON> {
    static void Close(HICON handle) noexcept { ::DestroyIcon(handle); }
};
// A registry key opened or created by the program (never one of the predefined HKEY_* roots).
struct RegKeyTraits : NullHandleTraits<HKEY> {
    static void Close(HKEY handle) noexcept { ::RegCloseKey(handle); }
};
// A library loaded with LoadLibrary.
struct ModuleTraits : NullHandleTraits<HMODULE> {
    static void Close(HMODULE handle) noexcept { ::FreeLibrary(handle); }
};
// A kernel handle whose failure value is null (events, threads, processes).
struct KernelHandleTraits : NullHandleTraits<HANDLE> {
    static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

// A file from CreateFile, which reports failure as INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

// A Windows Sockets socket.
struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle handle) noexcept { ::closesocket(handle); }
};

using UniqueBrush = UniqueAny<BrushTraits>;
using UniqueMenu = UniqueAny<MenuTraits>;
using UniqueIcon = UniqueAny<IconTraits>;
using UniqueRegKey = UniqueAny<RegKeyTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
using UniqueKernelHandle = UniqueAny<KernelHandleTraits>;
using UniqueFile = UniqueAny<FileTraits>;
using UniqueSocket = UniqueAny<SocketTraits>;

}  // namespace tk::ui

#endif
