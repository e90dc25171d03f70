# Drives the Windows build (mingw-w64) from the host build, so that one build
# command leaves the stub and the Win32 test programs in build/bin beside the
# host tools. The stub's post-link step needs the host tool `stubfinish`,
# which this build makes first and passes on.
if(NOT VELTRANE_WINDOWS)
  return()
endif()
find_program(VELTRANE_MINGW_CXX i686-w64-mingw32-g++)
if(NOT VELTRANE_MINGW_CXX)
  message(FATAL_ERROR "i686-w64-mingw32-g++ not found: run scripts/setup.sh, or configure with -DVELTRANE_WINDOWS=OFF")
endif()
include(ExternalProject)
ExternalProject_Add(windows
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/windows"
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DVELTRANE_BIN_DIR=${VELTRANE_BIN_DIR}
    -DVELTRANE_WERROR=${VELTRANE_WERROR}
    -DVELTRANE_STUBFINISH=$<TARGET_FILE:stubfinish>
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON
  DEPENDS stubfinish)
