# The example settings file as a header a target includes as "generated/example_settings.h"
# (cmake/embed-example-settings.cmake), made again when packaging/TK100_Dll_Set.ini changes.
function(tk_use_example_settings target)
  set(header ${CMAKE_BINARY_DIR}/generated/example_settings.h)
  if(NOT TARGET tk_example_settings_header)
    set(source ${CMAKE_SOURCE_DIR}/packaging/TK100_Dll_Set.ini)
    set(script ${CMAKE_SOURCE_DIR}/cmake/embed-example-settings.cmake)
    add_custom_command(OUTPUT ${header}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${source} -DOUTPUT=${header} -P ${script}
      DEPENDS ${source} ${script}
      COMMENT "Embedding the example settings file"
      VERBATIM)
    add_custom_target(tk_example_settings_header DEPENDS ${header})
  endif()
  add_dependencies(${target} tk_example_settings_header)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR})
endfunction()
