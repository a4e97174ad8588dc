# The version of the shipped files (LUMORA_VERSION, set by the top-level
# CMakeLists.txt) in the forms the resources and the code need.
#
# lumora_version_resource(<target> <description>)
#   gives <target> (a DLL or program) a VERSIONINFO resource: product
#   "Lumora Camera", the file description, the file and product version, and
#   the target's own file name. Only this one resource file is compiled with
#   the version, so a build of another version recompiles nothing else.
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" _lumora_version "${LUMORA_VERSION}")
set(LUMORA_VERSION_MAJOR ${CMAKE_MATCH_1})
set(LUMORA_VERSION_MINOR ${CMAKE_MATCH_2})
set(LUMORA_VERSION_PATCH ${CMAKE_MATCH_3})

set(LUMORA_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/../version/VersionInfo.rc.in)

function(lumora_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(LUMORA_FILE_TYPE VFT_APP)
    set(LUMORA_FILE_NAME ${target}.exe)
  else()
    set(LUMORA_FILE_TYPE VFT_DLL)
    set(LUMORA_FILE_NAME ${target}.dll)
  endif()
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(output_name)
    string(REGEX REPLACE "^[^.]+" "${output_name}" LUMORA_FILE_NAME "${LUMORA_FILE_NAME}")
  endif()
  set(LUMORA_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  configure_file(${LUMORA_VERSION_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
