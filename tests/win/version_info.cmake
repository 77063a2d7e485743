# Version resources: the test reads them from the program and the stand-in library as built,
# named by their paths.
add_dependencies(version_info_test TKAdjustTime TK100_Dll)
target_link_libraries(version_info_test PRIVATE version)
target_compile_definitions(version_info_test PRIVATE
  TK_TEST_EXE_PATH="$<TARGET_FILE:TKAdjustTime>" TK_TEST_DLL_PATH="$<TARGET_FILE:TK100_Dll>")
