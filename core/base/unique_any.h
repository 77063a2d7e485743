// Owning handles: one move-only template with a traits class per handle type, portable. The
// traits of each handle type live beside the system header that declares it:
// core/base/unique_handle_win.h (kernel objects, files, sockets, registry keys, modules),
// core/base/unique_fd_posix.h (descriptors), ui/framework/unique_handle.h (GDI objects, menus,
// icons), and a type used by one file only (the ICMP helper's handle) in that file. Only
// handles the program owns are wrapped; borrowed ones stay plain handles.
#pragma once

#include <utility>

namespace tk {

// Owns one handle of the kind Traits describes: Traits::Handle, Traits::Invalid() and
// Traits::Close(handle). Copying is impossible; moving leaves the source empty, so no handle is
// ever closed twice.
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

    // Gives up ownership without closing; for a close whose result matters, close what this
    // returns.
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

}  // namespace tk
