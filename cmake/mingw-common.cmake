# Shared part of the mingw-w64 toolchain files; TALVOR_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TALVOR_MINGW_TRIPLET})

# The posix threading flavour of the compiler; its winpthread is linked in statically below.
find_program(CMAKE_CXX_COMPILER NAMES ${TALVOR_MINGW_TRIPLET}-g++-posix ${TALVOR_MINGW_TRIPLET}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TALVOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The .exe runs on its own: libgcc, libstdc++ and winpthread are linked into it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
