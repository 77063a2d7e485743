# Main window, tray and one copy per folder: the window from template IDD_ADJUSTTIME_DIALOG
# driven in the test process with fakes (the controller library's DLL only has to be there for
# the tests to load), and the program itself started once under Wine.
foreach(test main_window_test tray_test single_instance_test)
  target_link_libraries(${test} PRIVATE tk_ui_main tk_framework tk_resources tk_core
    tk_controller_library)
  tk_place_controller_library(${test})
endforeach()

# Smoke test of TKAdjustTime.exe: copied with the DLL into two directories of their own beside
# a settings file without screens, started, found by its caption, closed with WM_CLOSE; a second
# start from the first directory hands over to the running copy, one from the other runs beside
# it. The program waits for the exes with time-outs of its own; the ctest time-out is the last
# resort. It has the display to itself (both slots): beside another test's windows the hidden
# first copy can come back on its own, and a second start that never woke it would pass.
add_executable(main_exe_smoke ${CMAKE_CURRENT_LIST_DIR}/main_exe_smoke.cpp)
add_dependencies(main_exe_smoke TKAdjustTime)
add_test(NAME main_exe_smoke
  COMMAND main_exe_smoke $<TARGET_FILE:TKAdjustTime> $<TARGET_FILE:TK100_Dll>)
set_tests_properties(main_exe_smoke PROPERTIES TIMEOUT 90 RESOURCE_LOCK display_focus
  RESOURCE_GROUPS display:2)
