# The controller parameter window, driven in the test process: its library and the resources
# (template 104 and the items of its lists) linked into the test itself.
target_link_libraries(screen_param_dlg_test PRIVATE tk_ui_config tk_framework tk_resources tk_core)

# Developer program, not a test: the parameter window as a new screen and as opened for modify,
# side by side for a screenshot (scripts/wine-run show_screen_param.exe [seconds]).
add_executable(show_screen_param ${CMAKE_CURRENT_LIST_DIR}/show_screen_param.cpp)
target_link_libraries(show_screen_param PRIVATE tk_ui_config tk_framework tk_resources tk_core)
