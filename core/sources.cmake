# Sources of tk_core for the platform being built, relative to the project root: every .cpp in
# core's folders but the other platform's _win / _posix files. Also read by the fuzz build,
# which compiles them from copies of its own.
file(GLOB_RECURSE TK_CORE_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
     ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
if(WIN32)
  list(FILTER TK_CORE_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
else()
  list(FILTER TK_CORE_SOURCES EXCLUDE REGEX "_win\\.cpp$")
endif()
