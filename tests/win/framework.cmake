# Dialog layer and resources. Each test exe links the resource object itself, so
# FindResource on the exe's module finds the templates; framework_test also gets its own
# test-only template, and resources_test a copy of resource.h to check.
target_link_libraries(framework_test PRIVATE tk_framework tk_resources tk_framework_test_rc)
target_link_libraries(resources_test PRIVATE tk_framework tk_resources tk_resources_test_rc)

# Test-only resource scripts. windres refuses the project's C++ compile options.
add_library(tk_framework_test_rc OBJECT ${CMAKE_CURRENT_LIST_DIR}/framework_test.rc)
add_library(tk_resources_test_rc OBJECT ${CMAKE_CURRENT_LIST_DIR}/resources_test.rc)
foreach(target tk_framework_test_rc tk_resources_test_rc)
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/resources)
endforeach()
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/framework_test.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/framework_test_res.h)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/resources_test.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/resource.h)

