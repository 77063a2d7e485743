# Button 1005: the main window and the list window it opens, with fakes for everything else.
target_link_libraries(settings_button_test PRIVATE tk_ui_main tk_ui_config tk_framework
  tk_resources tk_core tk_controller_library)
tk_place_controller_library(settings_button_test)
