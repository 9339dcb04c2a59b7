# Cross-builds the core, the command line and the core tests for 64-bit Windows with Debian's
# MinGW-w64 (the posix-threads flavour, which std::thread needs), and runs what it built under
# Wine:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVEL_MINGW_TRIPLE}-windres)

# Libraries and headers (zlib from libz-mingw-w64-dev) come from the MinGW tree only; the build's
# own tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TARVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the programs it built under Wine.
find_program(TARVEL_WINE NAMES wine64 wine)
if(TARVEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVEL_WINE})
endif()
