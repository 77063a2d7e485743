# /register and /unregister with the real program (register_e2e.cpp), each case in a folder of
# its own. The source's key is the prefix's, which events-e2e also sets: both take the same lock,
# whichever build runs them. A case starts the program's window: the display to itself.
include(${CMAKE_SOURCE_DIR}/cmake/example-settings.cmake)
add_executable(register_e2e ${CMAKE_CURRENT_LIST_DIR}/register_e2e.cpp)
target_link_libraries(register_e2e PRIVATE tk_core GTest::gmock_main)
add_dependencies(register_e2e TKAdjustTime)
tk_use_example_settings(register_e2e)
target_compile_definitions(register_e2e PRIVATE TK_TEST_EXE_PATH="$<TARGET_FILE:TKAdjustTime>"
  TK_TEST_DLL_PATH="$<TARGET_FILE:TK100_Dll>")
add_test(NAME register_e2e
  COMMAND flock -w 300 /tmp/tk-events-e2e.lock ${CMAKE_SOURCE_DIR}/scripts/wine-test
          $<TARGET_FILE:register_e2e>)
set_tests_properties(register_e2e PROPERTIES TIMEOUT 180 RESOURCE_LOCK display_focus
  RESOURCE_GROUPS display:2)
