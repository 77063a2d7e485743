# Wire format, controller exchange, the library's settings reader and the controller simulator.
target_link_libraries(frame_test PRIVATE tk_wire)
target_link_libraries(controller_link_test PRIVATE tk_controller_link)
target_link_libraries(ctlsim_test PRIVATE tk_wire)
add_dependencies(ctlsim_test ctlsim)
target_compile_definitions(ctlsim_test PRIVATE TK_CTLSIM_PATH="$<TARGET_FILE:ctlsim>")
