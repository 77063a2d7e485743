# The controller list window: template IDD_SCREEN_LIST and the configuration windows' library.
target_link_libraries(screen_list_test PRIVATE tk_ui_config tk_framework tk_resources tk_core)

