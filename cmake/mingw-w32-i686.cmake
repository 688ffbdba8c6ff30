# Cross-compiles talvor.exe for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686-posix):
#   cmake -S . -B build-w32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w32-i686.cmake -DTALVOR_TESTS=OFF
set(TALVOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
