// Owning handles of the user interface: GDI objects, menus and icons, plus the names of the
// bottom layer's template and handle types in tk::ui (see core/base/unique_any.h). Borrowed handles
// (a dialog's controls, icons from LoadIcon, the window's device context during painting) stay
// plain handles.
#pragma once

#include "core/base/unique_any.h"
#include "core/base/unique_handle_win.h"

namespace tk::ui {

using tk::NullHandleTraits;
using tk::UniqueAny;

// A brush from CreateSolidBrush and the like.
struct BrushTraits : NullHandleTraits<HBRUSH> {
    static void Close(HBRUSH handle) noexcept { ::DeleteObject(handle); }
};
// A font from CreateFontIndirect; deleted only once no control uses it any more.
struct FontTraits : NullHandleTraits<HFONT> {
    static void Close(HFONT handle) noexcept { ::DeleteObject(handle); }
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

using UniqueBrush = UniqueAny<BrushTraits>;
using UniqueFont = UniqueAny<FontTraits>;
using UniqueMenu = UniqueAny<MenuTraits>;
using UniqueIcon = UniqueAny<IconTraits>;
using tk::UniqueFile;
using tk::UniqueKernelHandle;
using tk::UniqueModule;
using tk::UniqueRegKey;
using tk::UniqueSocket;

}  // namespace tk::ui
