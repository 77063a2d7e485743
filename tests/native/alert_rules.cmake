# The alerting rules shipped in the zips (packaging/tk-sync-alerts.yml): promtool (Debian's
# prometheus package) checks them, and runs their unit tests, whose input series fire each
# alert and leave it quiet.
find_program(TK_PROMTOOL promtool)
if(NOT TK_PROMTOOL)
  set(TK_PROMTOOL promtool)  # the test fails and says so: scripts/install-deps installs it
endif()
add_test(NAME alert_rules_check
  COMMAND ${TK_PROMTOOL} check rules ${CMAKE_SOURCE_DIR}/packaging/tk-sync-alerts.yml)
add_test(NAME alert_rules
  COMMAND ${TK_PROMTOOL} test rules ${CMAKE_SOURCE_DIR}/tests/metrics/tk-sync-alerts.test.yml)
