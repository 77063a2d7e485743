# The events: their texts read back from TKAdjustTime.exe as built (its message table, with the
# IDs checked against the header windmc writes beside it), and the source's registration in the
# Wine prefix's registry under a name of the test's own.
add_dependencies(event_log_test TKAdjustTime)
target_include_directories(event_log_test PRIVATE ${CMAKE_BINARY_DIR}/resources)
target_compile_definitions(event_log_test PRIVATE TK_TEST_EXE_PATH="$<TARGET_FILE:TKAdjustTime>")

# The real program under Wine with the eventlog debug channel kept (tests/win/events-e2e), beside
# a chronyd a day ahead and one that agrees with the PC, on loopback ports of each build's own, so
# that the 32- and 64-bit suites may run at once (the script itself takes turns with the other
# build's).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tk_events_servers 127.0.0.23:12313=+86400 127.0.0.25:12315=+0)
  set(tk_events_name TKAdjustTime-events64)
else()
  set(tk_events_servers 127.0.0.23:12323=+86400 127.0.0.25:12325=+0)
  set(tk_events_name TKAdjustTime-events32)
endif()
add_test(NAME events_e2e
  COMMAND ${CMAKE_SOURCE_DIR}/tests/chrony/with-chronyd ${tk_events_servers}
    -- ${CMAKE_CURRENT_LIST_DIR}/events-e2e $<TARGET_FILE:TKAdjustTime> $<TARGET_FILE:TK100_Dll>
       ${tk_events_name})
# The program's window beside other tests' windows, as one of them.
set_tests_properties(events_e2e PROPERTIES TIMEOUT 120 RESOURCE_GROUPS display:1)
