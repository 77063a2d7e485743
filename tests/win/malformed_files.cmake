# The damaged-file corpus through the main window, the list window and the import: the real
# windows with a stand-in library, and the corpus folder reached through Wine's drive Z:.
target_link_libraries(malformed_files_test PRIVATE tk_ui_main tk_ui_config tk_framework
  tk_resources tk_core tk_controller_library)
tk_place_controller_library(malformed_files_test)
target_compile_definitions(malformed_files_test
  PRIVATE TK_MALFORMED_DIR="Z:${CMAKE_SOURCE_DIR}/tests/data/malformed")
