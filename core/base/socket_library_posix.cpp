#include "core/base/socket_library.h"

namespace tk {

void SocketLibraryTraits::Close(Handle) noexcept {}

SocketLibraryStart StartSocketLibrary() { return SocketLibraryStart(true); }

}  // namespace tk
