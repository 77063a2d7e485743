# The thunk that calls the controller library in either calling convention, on its own.
target_link_libraries(library_call_test PRIVATE tk_library_call)
