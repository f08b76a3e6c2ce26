# Cross-builds the Windows program on Debian with MinGW-w64, and runs what it builds under Wine.
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The posix thread model is named on purpose: the plain compiler names may point at the win32
# model, whose libstdc++ has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(zelvo_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${zelvo_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${zelvo_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${zelvo_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${zelvo_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable with nothing beside it: the C and C++ runtimes and winpthread are linked in, so
# only DLLs that every Windows has are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the .exe files under Wine, in a prefix of this build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../tests/win32/run-under-wine;${CMAKE_BINARY_DIR}/wine-prefix)

# GCC 12 reports impossible overlaps inside libstdc++'s inlined std::string copies at -O2
# (GCC bug 105651); the warning says nothing about this project's code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# A release executable carries no symbols: it is the file that users download.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
