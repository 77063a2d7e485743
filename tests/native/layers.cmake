# The include direction of the tree's folders (tests/native/check-layers).
add_test(NAME layers COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-layers)
