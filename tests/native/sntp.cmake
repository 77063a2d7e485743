# The SNTP client against real servers: tests/chrony/with-chronyd starts a chronyd 3600 s ahead,
# one 90 s behind and one a day ahead on loopback, runs the tests and stops them.
add_executable(sntp_e2e sntp_e2e.cpp)
target_link_libraries(sntp_e2e PRIVATE tk_core GTest::gmock_main)
add_test(NAME sntp_e2e
  COMMAND ${CMAKE_SOURCE_DIR}/tests/chrony/with-chronyd
    127.0.0.21:12301=+3600 127.0.0.22:12302=-90 127.0.0.23:12303=+86400
    -- $<TARGET_FILE:sntp_e2e>)
set_tests_properties(sntp_e2e PROPERTIES TIMEOUT 60 RESOURCE_LOCK chronyd_native)
