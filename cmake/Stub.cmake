# Compile and link settings of the stub, the self-extracting installer
# program. The stub carries no C or C++ runtime: it is linked without the
# default libraries, imports only system DLLs, starts at its own entry
# function and is kept small (-Os, unused sections dropped, symbols
# stripped).
#
#   veltrane_stub_settings(<target>)
#       Compile settings for any library or executable whose code goes into
#       the stub; for an executable also the link settings below.
#   veltrane_stub_finish(<target>)
#       Runs the host tool `stubfinish` on the linked executable (re-lays
#       the resource data, checks the payload requirements and the imports,
#       prints the size).

# The entry function the stub's code defines: extern "C" void StubEntry(void),
# cdecl, no arguments; it never returns (it ends with ExitProcess).
set(VELTRANE_STUB_ENTRY "StubEntry")

# The only DLLs the stub may import; all of them live in the system folder.
set(VELTRANE_STUB_DLLS kernel32 user32 gdi32)

# Section layout of the stub's executable (three sections, resources last).
set(VELTRANE_STUB_LAYOUT "${CMAKE_CURRENT_LIST_DIR}/../stub/stub_layout.ld")

set(VELTRANE_STUB_COMPILE_OPTIONS
  -Os
  # Data aligned only as the ABI asks: otherwise every array of 32 bytes or
  # more, each message text among them, starts on a 32-byte boundary.
  -malign-data=abi
  # Win32 guarantees a 4-byte aligned stack, and the stub has no data that
  # needs more; this drops the realignment code.
  -mpreferred-stack-boundary=2
  # This toolchain keeps a frame pointer by default; without it every
  # function loses its prologue and epilogue and a register is freed.
  -fomit-frame-pointer
  # Small helpers stay calls: the decoder's per-bit and per-byte routines
  # are forced inline (decode/force_inline.h) and are not affected. Nor is
  # the prologue moved onto the paths that need it (shrink-wrapping), which
  # copies epilogues.
  -fno-inline-small-functions
  -fno-shrink-wrap
  # Functions in sections of their own so that the link drops unused ones.
  # Not -fdata-sections: with it this compiler puts zero-initialised
  # variables into file-backed .data$ sections instead of .bss, which would
  # add the decoder's tens of kilobytes of state to the file.
  -ffunction-sections
  -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-stack-protector
  -fno-ident
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)

set(VELTRANE_STUB_LINK_OPTIONS
  -nostdlib
  "-Wl,--entry=_${VELTRANE_STUB_ENTRY}"
  -Wl,--subsystem,windows
  "-Wl,-T,${VELTRANE_STUB_LAYOUT}"
  -Wl,--gc-sections
  -s
  # No .reloc section: .rsrc must stay the last section. The image then
  # loads at its preferred base, so address randomisation is switched off.
  -Wl,--disable-reloc-section
  -Wl,--disable-dynamicbase
  -Wl,--no-insert-timestamp)

function(veltrane_stub_settings target)
  target_compile_options(${target} PRIVATE ${VELTRANE_STUB_COMPILE_OPTIONS})
  # Link-time optimisation across the stub's libraries: smaller code.
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE ${VELTRANE_STUB_LINK_OPTIONS})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${VELTRANE_STUB_LAYOUT}")
    # The system DLLs; the executable's folder also puts them (and libgcc,
    # linked statically) at the end of the link line.
    target_link_libraries(${target} PRIVATE ${VELTRANE_STUB_DLLS})
  endif()
endfunction()

# Where the host tool `stubfinish` comes from: the host build passes its
# path; a Windows build configured on its own builds it from pe/ with the
# host compiler.
if(NOT VELTRANE_STUBFINISH)
  include(ExternalProject)
  set(_stubfinish_dir "${CMAKE_BINARY_DIR}/stubfinish-host")
  # Clear the cross toolchain so that pe/ is built for the build machine.
  ExternalProject_Add(stubfinish_host
    SOURCE_DIR "${CMAKE_SOURCE_DIR}/pe"
    BINARY_DIR "${_stubfinish_dir}"
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_TOOLCHAIN_FILE=
      -DCMAKE_C_COMPILER=cc
      -DCMAKE_CXX_COMPILER=c++
      -DVELTRANE_BIN_DIR=${_stubfinish_dir}/bin
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target stubfinish
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS "${_stubfinish_dir}/bin/stubfinish"
    BUILD_ALWAYS ON)
  set(VELTRANE_STUBFINISH "${_stubfinish_dir}/bin/stubfinish")
  set(VELTRANE_STUBFINISH_DEPENDS stubfinish_host)
endif()

function(veltrane_stub_finish target)
  if(VELTRANE_STUBFINISH_DEPENDS)
    add_dependencies(${target} ${VELTRANE_STUBFINISH_DEPENDS})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${VELTRANE_STUBFINISH}" "$<TARGET_FILE:${target}>"
    VERBATIM)
endfunction()
