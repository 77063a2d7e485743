# The include direction of core/'s folders (tests/native/check-layers).
add_test(NAME core_layers COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-layers)
