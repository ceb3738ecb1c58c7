# 32-bit Windows cross build: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MARROW_MINGW_TRIPLE i686-w64-mingw32)
set(MARROW_WINE_LOADER /usr/lib/wine/wine)
# Floats in single precision through SSE, as on x86-64: x87 code keeps
# excess precision in registers, which moves the light part's rays by a
# pixel here and there, so the pictures would differ between the word
# sizes. Every 32-bit Windows since 8 needs SSE2 anyway.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
