# Cross build for 32-bit Windows: the build operators get by default, since it runs on 32- and
# 64-bit Windows and loads a 32-bit controller library. Tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
