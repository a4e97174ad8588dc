# lumora_module_definition(<out-var> <def-file>)
#   sets <out-var> to the module-definition file a DLL links. The project's
#   .def files are written for 32-bit ("Name@N == Name"); 64-bit functions
#   carry no @N decoration, so the 64-bit build links a copy without it,
#   written into the current binary folder and rewritten when the source
#   file changes.
function(lumora_module_definition out_var def_file)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out_var} ${def_file} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(def_name ${def_file} NAME)
  file(READ ${def_file} def_text)
  string(REGEX REPLACE "@[0-9]+ == [A-Za-z0-9_]+" "" def_text "${def_text}")
  set(rewritten ${CMAKE_CURRENT_BINARY_DIR}/${def_name})
  file(CONFIGURE OUTPUT ${rewritten} CONTENT "${def_text}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
  set(${out_var} ${rewritten} PARENT_SCOPE)
endfunction()
