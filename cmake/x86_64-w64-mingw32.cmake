# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: GCC 12 with
# POSIX threads, which std::thread needs). Programs are linked statically, so that they run under
# Wine or on Windows without the MinGW DLLs beside them.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
#         -DPARVEX_BUILD_GUI=OFF -DPARVEX_BUILD_PRINT=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Libraries and packages come from the MinGW tree only, never the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config likewise: without this it hands out the host's libxlsxwriter.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${mingw_triple}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine when no Windows is at hand.
# wine64 itself: the wine wrapper warns on every run that 32-bit Wine is missing.
find_program(PARVEX_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(PARVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PARVEX_WINE})
endif()
