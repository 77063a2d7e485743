# The wrapper that runs the metrics tests beside Debian's node_exporter: it must serve the
# folder it made on a port that is its own (tests/metrics/with-node-exporter-test).
add_test(NAME with_node_exporter
  COMMAND ${CMAKE_SOURCE_DIR}/tests/metrics/with-node-exporter-test)
set_tests_properties(with_node_exporter PROPERTIES TIMEOUT 60)
