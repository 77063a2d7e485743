# The example settings the program embeds, against the bytes scripts/package writes into the
# zips: its own settings_bytes(), run at build time.
include(${CMAKE_SOURCE_DIR}/cmake/example-settings.cmake)
tk_use_example_settings(deployment_test)
set(tk_packaged_settings ${CMAKE_CURRENT_BINARY_DIR}/packaged-TK100_Dll_Set.ini)
add_custom_command(OUTPUT ${tk_packaged_settings}
  COMMAND python3 -B -c "import importlib.machinery as m, sys; p = m.SourceFileLoader('package', sys.argv[1]).load_module(); open(sys.argv[2], 'wb').write(p.settings_bytes())"
          ${CMAKE_SOURCE_DIR}/scripts/package ${tk_packaged_settings}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/package ${CMAKE_SOURCE_DIR}/packaging/TK100_Dll_Set.ini
  COMMENT "The example settings as scripts/package writes them"
  VERBATIM)
add_custom_target(tk_packaged_settings_file DEPENDS ${tk_packaged_settings})
add_dependencies(deployment_test tk_packaged_settings_file)
target_compile_definitions(deployment_test PRIVATE TK_PACKAGED_SETTINGS="${tk_packaged_settings}")
