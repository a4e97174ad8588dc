# Precompiled headers for every C++ target of this project. Nearly every
# translation unit includes the platform's Windows, DirectShow and COM-pointer
# headers and a few standard ones; parsing them is most of a file's compile
# time (about 1.1 s of 1.9 s on the 32-bit compiler): every file starts from
# them precompiled instead. ccache caches such files
# only with the sloppiness scripts/common.sh sets (pch_defines, time_macros).
#
# Third-party targets (libyuv, GoogleTest) keep their own flags and are left
# alone; so is any target with C sources only.
set(LUMORA_COMMON_HEADERS
    <windows.h> <dshow.h> <wrl/client.h>
    <algorithm> <cstdint> <functional> <memory> <mutex> <string> <vector>)

# The headers are precompiled once per architecture, by lumora_win (the
# lowest library, with the flags every target of ours shares), and every
# other target reuses that precompiled header.
function(lumora_precompile_common_headers_in dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    if(target MATCHES "^(lumora_libyuv|gtest|gtest_main|gmock|gmock_main)$")
      continue()
    endif()
    if(target STREQUAL "lumora_win")
      foreach(header IN LISTS LUMORA_COMMON_HEADERS)
        target_precompile_headers(lumora_win PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${header}>")
      endforeach()
    else()
      target_precompile_headers(${target} REUSE_FROM lumora_win)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    lumora_precompile_common_headers_in(${subdir})
  endforeach()
endfunction()
