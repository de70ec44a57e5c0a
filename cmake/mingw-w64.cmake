# Toolchain for the native Windows build: a 64-bit PE program made with MinGW-w64.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DTUNLARK_DEPS_PREFIX=<cross-built libraries> -DTUNLARK_TESTS=OFF -DTUNLARK_PROGRAM=ON
# scripts/build-windows builds the libraries and passes their prefix; with MSYS2 on Windows the
# ordinary MINGW64 toolchain is used instead and this file is not needed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TUNLARK_MINGW_HOST x86_64-w64-mingw32)
# The posix thread model: the win32 one of GCC 12 has no std::mutex.
set(CMAKE_C_COMPILER ${TUNLARK_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TUNLARK_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TUNLARK_MINGW_HOST}-windres)

set(TUNLARK_DEPS_PREFIX "" CACHE STRING "Where the cross-built libraries are installed (a list)")
set(CMAKE_FIND_ROOT_PATH ${TUNLARK_DEPS_PREFIX} /usr/${TUNLARK_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(TUNLARK_DEPS_PREFIX)
  list(TRANSFORM TUNLARK_DEPS_PREFIX APPEND /lib/pkgconfig OUTPUT_VARIABLE pkgconfig_dirs)
  list(JOIN pkgconfig_dirs ":" pkgconfig_path)
  set(ENV{PKG_CONFIG_LIBDIR} ${pkgconfig_path})
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# The GCC runtime and winpthread go into the exe; the DLLs found through their import libraries
# (given to the linker as full paths) stay DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Resource compiler: TUNLARK_RC_COMMAND [-I dirs] -o OUTPUT INPUT, making an object the linker
# takes as it stands.
set(TUNLARK_RC_COMMAND ${TUNLARK_MINGW_HOST}-windres -O coff --codepage=65001)
set(TUNLARK_RC_SUFFIX .o)
