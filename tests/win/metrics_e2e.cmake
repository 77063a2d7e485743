# The metrics file end to end under Wine, with the real parts an operator has: the program in a
# folder of its own against four controllers that ctlsim plays on loopback (three answer, the
# fourth is silent), a chronyd two seconds ahead as its time server on a port of each build's
# own so that the 32- and 64-bit suites may run at once, and Debian's node_exporter reading the
# folder the program writes its file into, on a free port the system picks; promtool checks
# each scrape. The program's probe needs raw ICMP: without root the test is skipped.
add_executable(metrics_e2e ${CMAKE_CURRENT_LIST_DIR}/metrics_e2e.cpp)
# ctlsim for the host is built by standin_e2e.cmake, included after this file.
target_link_libraries(metrics_e2e PRIVATE tk_core GTest::gmock_main)
add_dependencies(metrics_e2e TKAdjustTime TK100_Dll host_ctlsim)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tk_metrics_chrony 12331)
else()
  set(tk_metrics_chrony 12341)
endif()
add_test(NAME metrics_e2e
  COMMAND ${CMAKE_SOURCE_DIR}/tests/metrics/run-as-root
    ${CMAKE_SOURCE_DIR}/tests/chrony/with-chronyd 127.0.0.21:${tk_metrics_chrony}=+2
    -- ${CMAKE_SOURCE_DIR}/tools/ctlsim/with-ctlsim ${CMAKE_CURRENT_BINARY_DIR}/host/ctlsim
      --udp 127.0.0.2:0 --address 0 --skew -420000
      --udp 127.0.0.3:0 --address 0 --skew 180000
      --udp 127.0.0.4:0 --address 0 --skew -720000
      --udp 127.0.0.5:0 --address 0 --silent
    -- ${CMAKE_SOURCE_DIR}/tests/metrics/with-node-exporter 0
    -- env TK_PROGRAM=$<TARGET_FILE:TKAdjustTime> TK_LIBRARY=$<TARGET_FILE:TK100_Dll>
       ${CMAKE_SOURCE_DIR}/scripts/wine-test $<TARGET_FILE:metrics_e2e>)
# The program's window has the display to itself, as the main window's tests have it.
set_tests_properties(metrics_e2e PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
  RESOURCE_LOCK display_focus RESOURCE_GROUPS display:2)
