# The events: their texts read back from TKAdjustTime.exe as built (its message table, with the
# IDs checked against the header windmc writes beside it), and the source's registration in the
# Wine prefix's registry under a name of the test's own.
add_dependencies(event_log_test TKAdjustTime)
target_include_directories(event_log_test PRIVATE ${CMAKE_BINARY_DIR}/resources)
target_compile_definitions(event_log_test PRIVATE TK_TEST_EXE_PATH="$<TARGET_FILE:TKAdjustTime>")

# The real program under Wine with the eventlog debug channel kept (tests/win/events-e2e), beside
# a chronyd a day ahead and one that agrees with the PC, on loopback ports of each build's own,
# so that the 32- and 64-bit suites may run at once (the script itself takes turns with the other
# build's). It runs twice: under the Chinese locale every Windows test has, and under glibc's
# C.UTF-8, which Wine takes for English (United States), code page 1252 (gbk_utf8_cp1252 checks
# that), where the Chinese strings must reach ReportEventW as they do on a PC of that language.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tk_events_ports 12313 12314)
  set(tk_events_name TKAdjustTime-events64)
else()
  set(tk_events_ports 12323 12324)
  set(tk_events_name TKAdjustTime-events32)
endif()
foreach(tk_events_run zh cp1252)
  if(tk_events_run STREQUAL zh)
    list(GET tk_events_ports 0 tk_events_port)
    set(tk_events_test events_e2e)
    set(tk_events_locale zh_CN.UTF-8)
  else()
    list(GET tk_events_ports 1 tk_events_port)
    set(tk_events_test events_e2e_cp1252)
    set(tk_events_locale C.UTF-8)
  endif()
  add_test(NAME ${tk_events_test}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/chrony/with-chronyd 127.0.0.23:${tk_events_port}=+86400
      127.0.0.25:${tk_events_port}=+0
      -- ${CMAKE_CURRENT_LIST_DIR}/events-e2e $<TARGET_FILE:TKAdjustTime> $<TARGET_FILE:TK100_Dll>
         ${tk_events_name}-${tk_events_run})
  # The program's window beside other tests' windows, as one of them.
  set_tests_properties(${tk_events_test} PROPERTIES TIMEOUT 120 RESOURCE_GROUPS display:1
    ENVIRONMENT TK_WINE_LOCALE=${tk_events_locale})
endforeach()
