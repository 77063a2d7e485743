# What both Windows toolchains share: mingw-w64 (posix threads) for TK_MINGW_TRIPLET, linked
# statically so the exe and DLLs import only system DLLs, tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TK_MINGW_TRIPLET}-windres)
# The message compiler, for the events' message table (resources/events.mc).
set(TK_WINDMC ${TK_MINGW_TRIPLET}-windmc)
set(CMAKE_DLLTOOL ${TK_MINGW_TRIPLET}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${TK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test)
