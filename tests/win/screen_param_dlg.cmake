# The controller parameter window, driven in the test process: its library and the resources
# (template IDD_SCREEN_PARAM and the items of its lists) linked into the test itself.
target_link_libraries(screen_param_dlg_test PRIVATE tk_ui_config tk_framework tk_resources tk_core)

