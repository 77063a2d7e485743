# The common Open and Save dialogs of the exchange file, driven in the test process.
target_link_libraries(file_dialogs_test PRIVATE tk_ui_config tk_framework tk_core)
