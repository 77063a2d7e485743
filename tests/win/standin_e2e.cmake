# The stand-in TK100_Dll.dll end to end under Wine, against controllers that the native
# simulator ctlsim plays on loopback UDP and on a pseudo-terminal mapped to COM77. The program
# is not one of the discovered GoogleTest executables: it needs the simulator running, so
# tools/ctlsim/with-ctlsim starts ctlsim, runs the program under scripts/wine-run and ends it.

# ctlsim for the host: tools/ is built only natively, so the Windows build compiles it with the
# host compiler.
find_program(TK_HOST_CXX NAMES g++ c++ REQUIRED)
include(${CMAKE_SOURCE_DIR}/tools/ctlsim/sources.cmake)
list(TRANSFORM TK_CTLSIM_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE tk_ctlsim_sources)
file(GLOB tk_ctlsim_headers ${CMAKE_SOURCE_DIR}/tools/ctlsim/*.h ${CMAKE_SOURCE_DIR}/library/frame.h)
set(tk_host_ctlsim ${CMAKE_CURRENT_BINARY_DIR}/host/ctlsim)
add_custom_command(OUTPUT ${tk_host_ctlsim}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host
  COMMAND ${TK_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}
          ${tk_ctlsim_sources} -o ${tk_host_ctlsim}
  DEPENDS ${tk_ctlsim_sources} ${tk_ctlsim_headers}
  COMMENT "Building ctlsim for the host"
  VERBATIM)
add_custom_target(host_ctlsim ALL DEPENDS ${tk_host_ctlsim})

add_executable(standin_e2e standin_e2e.cpp)
target_link_libraries(standin_e2e PRIVATE tk_controller_library tk_wire tk_core GTest::gmock_main)
# A folder of its own: the test writes TK100_Dll_Set.ini beside the program and the DLL.
set_target_properties(standin_e2e PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                             ${CMAKE_CURRENT_BINARY_DIR}/standin_e2e)
tk_place_controller_library(standin_e2e)
add_dependencies(standin_e2e host_ctlsim)

# Endpoint order and controllers as standin_e2e.cpp's Endpoint enum describes them. The 32-bit
# build runs the same program a second time beside the __cdecl build of the stand-in (the
# default one is __stdcall): the tool's calls must leave the stack right with either.
function(tk_add_standin_e2e test program)
  add_test(NAME ${test}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/ctlsim/with-ctlsim --wine-com 77 ${tk_host_ctlsim}
      --udp 127.0.0.2:0 --address 0 --skew -3600000
      --udp 127.0.0.3:0 --address 1 --skew -3600000 --address 2 --silent
      --udp 127.0.0.4:0 --error
      --udp 127.0.0.5:0 --late 40 --skew 7200000
      --udp 127.0.0.6:0 --late 1500
      --udp 127.0.0.7:0 --address 3 --model 23 --skew -600000
      --pty --address 4 --skew -3600000
      -- ${CMAKE_SOURCE_DIR}/scripts/wine-run ${program}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  # Both runs map the same COM port and write the same kind of settings file: one at a time.
  set_tests_properties(${test} PROPERTIES TIMEOUT 120 RESOURCE_LOCK standin_e2e_com)
endfunction()
tk_add_standin_e2e(standin_e2e $<TARGET_FILE:standin_e2e>)

if(TARGET TK100_Dll_cdecl)
  set(tk_cdecl_dir ${CMAKE_CURRENT_BINARY_DIR}/standin_e2e_cdecl)
  tk_place_dll(standin_e2e TK100_Dll_cdecl ${tk_cdecl_dir})
  add_custom_command(TARGET standin_e2e POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:standin_e2e> ${tk_cdecl_dir}/)
  tk_add_standin_e2e(standin_e2e_cdecl ${tk_cdecl_dir}/standin_e2e.exe)
endif()
