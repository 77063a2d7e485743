# The controller list window: template 103 and the configuration windows' library.
target_link_libraries(screen_list_test PRIVATE tk_ui_config tk_framework tk_resources tk_core)

# Developer program, not a test: the list window and the parameter window side by side for a
# screenshot (scripts/wine-run show_config_windows.exe settings.ini [seconds]).
add_executable(show_config_windows ${CMAKE_CURRENT_LIST_DIR}/show_config_windows.cpp)
target_link_libraries(show_config_windows PRIVATE tk_ui_config tk_framework tk_resources tk_core)
