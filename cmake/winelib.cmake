# Toolchain for the Winelib build: the Win32 program as a Linux ELF program run by Wine.
#   cmake -S . -B build/winelib -DCMAKE_TOOLCHAIN_FILE=cmake/winelib.cmake \
#         -DTUNLARK_TESTS=OFF -DTUNLARK_PROGRAM=ON
# A MinGW-w64 toolchain file sets the same TUNLARK_* variables with windres in place of wrc.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER winegcc)
set(CMAKE_CXX_COMPILER wineg++)
# A Winelib program is a shared object: everything in it is compiled position-independent.
set(CMAKE_C_FLAGS_INIT "-DTUNLARK_WINELIB=1 -fPIC")
set(CMAKE_CXX_FLAGS_INIT "-DTUNLARK_WINELIB=1 -fPIC")

set(TUNLARK_WINELIB ON)

# Resource compiler: TUNLARK_RC_COMMAND [-I dirs] -o OUTPUT INPUT, making an object the linker
# takes as it stands (wrc's .res for winebuild; windres would use "-O coff" and ".o").
find_path(TUNLARK_WINE_WINDOWS_INCLUDE windows.h
          PATHS /usr/include/wine/wine/windows /usr/include/wine/windows NO_DEFAULT_PATH)
set(TUNLARK_RC_COMMAND wrc -I${TUNLARK_WINE_WINDOWS_INCLUDE})
set(TUNLARK_RC_SUFFIX .res)
