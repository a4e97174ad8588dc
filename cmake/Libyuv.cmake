# libyuv, the colour conversion and scaling library of the frame path, built
# as a static library (target lumora_libyuv) from the source that
# scripts/libyuv-source.sh unpacks from Debian's source package into the build
# tree. Nothing of it is kept in the repository.
#
# Included before the project's warning flags are set: it is compiled with
# the toolchain and optimisation of the rest, but not with -Wall -Wextra
# -Werror (its warnings are not ours to fix). Its own CMakeLists.txt is not
# used: it builds a shared library and tools and looks for libjpeg, none of
# which the camera needs.
get_filename_component(lumora_default_build_root ${CMAKE_BINARY_DIR} DIRECTORY)
set(LUMORA_LIBYUV_SOURCE ${lumora_default_build_root}/third_party/libyuv
    CACHE PATH "libyuv's unpacked source (scripts/libyuv-source.sh puts it in <build>/third_party/libyuv)")
if(NOT EXISTS ${LUMORA_LIBYUV_SOURCE}/include/libyuv.h)
  message(FATAL_ERROR "libyuv's source is not in ${LUMORA_LIBYUV_SOURCE}: run scripts/setup.sh "
                      "(or scripts/libyuv-source.sh), or point LUMORA_LIBYUV_SOURCE at it")
endif()

file(GLOB lumora_libyuv_sources CONFIGURE_DEPENDS ${LUMORA_LIBYUV_SOURCE}/source/*.cc)
list(SORT lumora_libyuv_sources)
add_library(lumora_libyuv STATIC ${lumora_libyuv_sources})
target_include_directories(lumora_libyuv SYSTEM PUBLIC ${LUMORA_LIBYUV_SOURCE}/include)
target_compile_options(lumora_libyuv PRIVATE -w)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # libyuv's row.h turns off every x86 fast path for a 32-bit GCC that does
  # not define __SSE__, which Debian's i686 mingw-w64 compiler does not by
  # default; the Windows this camera serves requires SSE2 anyway. Only
  # libyuv is compiled for SSE2 (it picks SSSE3/AVX2 rows at run time).
  target_compile_options(lumora_libyuv PRIVATE -msse2)
endif()
# Where the setup program takes the licence notice from.
set(LUMORA_LIBYUV_LICENSE ${LUMORA_LIBYUV_SOURCE}/LICENSE)
