# Cross-compiling for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread
# needs). Used by scripts/cross-windows:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVASKIRO_BUILD_GUI=OFF ...
# Programs are linked statically (libstdc++, libgcc, winpthreads), so they run
# without the compiler's DLLs beside them; with -DVASKIRO_MINGW_SHARED_RUNTIME=ON
# they use those DLLs, as the Qt DLLs do (one C++ runtime in the process).
# Where wine64 is installed the build runs test programs with it (gtest test
# discovery, ctest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VASKIRO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VASKIRO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VASKIRO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VASKIRO_MINGW_TRIPLET}-windres)

# Libraries and packages come from the mingw-w64 tree and the directories the
# build names (CMAKE_PREFIX_PATH, <Package>_DIR), never from the build
# machine's /usr; programs (tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VASKIRO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VASKIRO_MINGW_SHARED_RUNTIME)
if(NOT VASKIRO_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

find_program(VASKIRO_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VASKIRO_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VASKIRO_WINE64})
endif()
