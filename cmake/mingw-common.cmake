# Shared part of the Windows cross toolchains (mingw-w64-x86_64.cmake,
# mingw-w64-i686.cmake): Debian's mingw-w64 compilers in their POSIX-thread
# flavour (std::thread needs it), and Wine to run the build-time tools and
# the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MARROW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARROW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MARROW_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${MARROW_MINGW_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${MARROW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libgcc, libstdc++, winpthread) goes into every
# program and DLL, so the run folder needs no DLLs of the toolchain.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Wine runs the programs: its own prefix (WINEPREFIX, else one in the build
# tree), no debug chatter, and the run folder on the DLL search path so that
# test programs elsewhere in the build tree find the board.
if(NOT DEFINED ENV{WINEPREFIX})
  set(ENV{WINEPREFIX} ${CMAKE_BINARY_DIR}/wineprefix)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
  /usr/bin/env WINEPREFIX=$ENV{WINEPREFIX} WINEDEBUG=-all WINEPATH=Z:${CMAKE_BINARY_DIR}/run
  ${MARROW_WINE_LOADER})
