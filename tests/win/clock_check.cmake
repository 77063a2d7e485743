# The clock check under Wine against real NTP servers: tests/chrony/with-chronyd starts a
# chronyd an hour ahead and one a day ahead on loopback (ports of each build's own, so that the
# 32- and 64-bit suites may run at once), runs the program under Wine and stops them.
add_executable(clock_check_e2e ${CMAKE_CURRENT_LIST_DIR}/clock_check_e2e.cpp)
target_link_libraries(clock_check_e2e PRIVATE tk_ui_main tk_framework tk_resources tk_core
  tk_controller_library GTest::gmock_main)
tk_place_controller_library(clock_check_e2e)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tk_chrony_ports 12311 12312)
else()
  set(tk_chrony_ports 12321 12322)
endif()
list(GET tk_chrony_ports 0 tk_chrony_hour)
list(GET tk_chrony_ports 1 tk_chrony_day)
add_test(NAME clock_check_e2e
  COMMAND ${CMAKE_SOURCE_DIR}/tests/chrony/with-chronyd
    127.0.0.21:${tk_chrony_hour}=+3600 127.0.0.22:${tk_chrony_day}=+86400
    -- ${CMAKE_SOURCE_DIR}/scripts/wine-test $<TARGET_FILE:clock_check_e2e>)
# A window of the program's own: the display to itself, as the main window's tests have it.
set_tests_properties(clock_check_e2e PROPERTIES TIMEOUT 120 RESOURCE_LOCK display_focus
  RESOURCE_GROUPS display:2)
