# Load-time import of TK100_Dll.dll: the test links the import library and runs with the DLL
# beside it; a copy of it alone in a folder of its own must not start (Wine exit code 53, the
# loader naming the DLL). That folder is not the current directory of any other test, and the
# loader searches the current directory too.
target_link_libraries(library_import_test PRIVATE tk_controller_library)
tk_place_controller_library(library_import_test)

set(tk_missing_dll_dir ${CMAKE_CURRENT_BINARY_DIR}/library_import_missing_dll)
add_custom_command(TARGET library_import_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${tk_missing_dll_dir}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:library_import_test>
          ${tk_missing_dll_dir}/
  COMMAND ${CMAKE_COMMAND} -E rm -f ${tk_missing_dll_dir}/TK100_Dll.dll)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/expect-missing-dll.sh [=[
# $1 = scripts/wine-run, $2 = the program; run from the program's own folder.
out=$(WINEDEBUG=err+module "$1" "$2" --gtest_list_tests 2>&1)
rc=$?
echo "exit code $rc"
echo "$out" | grep -m1 TK100_Dll.dll || { echo "the loader did not name TK100_Dll.dll"; exit 1; }
[ "$rc" -eq 53 ]
]=])
add_test(NAME library_import_missing_dll_does_not_start
  COMMAND sh ${CMAKE_CURRENT_BINARY_DIR}/expect-missing-dll.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
          ${tk_missing_dll_dir}/library_import_test.exe
  WORKING_DIRECTORY ${tk_missing_dll_dir})
