# The controller list window: template 103 and the configuration windows' library.
target_link_libraries(screen_list_test PRIVATE tk_ui_config tk_framework tk_resources tk_core)

