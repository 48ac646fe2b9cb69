# Cross build of Parvex for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# scripts/test --windows and scripts/package --windows use it with the libraries that
# scripts/windows-deps builds; by hand:
#   eval "$(scripts/windows-deps)"
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
#         -DPARVEX_WINDOWS_PREFIXES="$PARVEX_WINDOWS_QT;$PARVEX_WINDOWS_XLSXWRITER;$PARVEX_WINDOWS_GUMBO"
# The programs use the MinGW runtime DLLs (libstdc++, libgcc_s, libwinpthread) as Qt's DLLs do, so
# that one C++ runtime serves the whole process; the package puts them beside the programs.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-base.cmake)

# Where the Windows libraries were installed: searched like the MinGW tree itself.
set(PARVEX_WINDOWS_PREFIXES "" CACHE STRING "Prefixes of Windows libraries (Qt, libxlsxwriter, libgumbo)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PARVEX_WINDOWS_PREFIXES)
list(APPEND CMAKE_FIND_ROOT_PATH ${PARVEX_WINDOWS_PREFIXES})
list(APPEND CMAKE_PREFIX_PATH ${PARVEX_WINDOWS_PREFIXES})

# pkg-config likewise: only the MinGW tree's and those prefixes' .pc files, never the host's.
set(pkg_config_dirs /usr/${mingw_triple}/lib/pkgconfig)
foreach(prefix IN LISTS PARVEX_WINDOWS_PREFIXES)
  list(APPEND pkg_config_dirs ${prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" pkg_config_dirs "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_PATH} "")

# Qt's build tools (moc, rcc, uic) are the build machine's, of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# Tests run under Wine when no Windows is at hand.
# wine64 itself: the wine wrapper warns on every run that 32-bit Wine is missing.
find_program(PARVEX_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(PARVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PARVEX_WINE})
endif()
