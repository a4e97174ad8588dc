# lumora_add_test(<name> SOURCES <files...> [LIBRARIES <libs...>] [TIMEOUT <s>] [LABELS <l...>])
#
# Builds a GoogleTest program that links the shared test support (its main()
# gives each program a private temporary folder) and registers it with CTest;
# CTest runs it through Wine (CMAKE_CROSSCOMPILING_EMULATOR).
function(lumora_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lumora_testsupport ${T_LIBRARIES} gmock gtest)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
