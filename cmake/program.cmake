# The Win32 program Tunlark.exe and what is delivered beside it, built with a Win32 toolchain
# file (cmake/winelib.cmake). Every *_win32.cpp of the source folders is part of it, the core and
# engine libraries come from the top-level list, and each resources/*.rc is compiled on its own.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(TUNLARK_BIN_DIR ${CMAKE_SOURCE_DIR}/build/bin
    CACHE PATH "Where Tunlark.exe and its files are put")

set(program_globs)
foreach(dir platform playback/engine playback playlist settings app)
  list(APPEND program_globs ${CMAKE_SOURCE_DIR}/${dir}/*_win32.cpp)
  if(TUNLARK_WINELIB)
    # Global hotkeys through X11 key grabs: Wine delivers RegisterHotKey presses only while a
    # Wine window has the focus. Sound straight to PulseAudio: Wine's waveOut over it costs ten
    # times the CPU. The MPRIS server on the session bus for the desktop's media controls.
    list(APPEND program_globs ${CMAKE_SOURCE_DIR}/${dir}/*_x11.cpp
         ${CMAKE_SOURCE_DIR}/${dir}/*_linux.cpp)
  endif()
endforeach()
file(GLOB PROGRAM_SOURCES CONFIGURE_DEPENDS ${program_globs})
# The native program's entry point, and its FFmpeg decoder module and loader: this program has
# its own entry and links the decoder.
list(FILTER PROGRAM_SOURCES EXCLUDE REGEX "/(main|ffmpeg_module[^/]*)_linux\\.cpp$")

# Icons, drawn by resources/make_icons.py.
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_files)
foreach(id 113 114 116 117 118 119 120 121 122 123 124 125 126 127 128 129 130)
  list(APPEND icon_files ${icon_dir}/icon${id}.ico)
endforeach()
# The same drawing as a table of pixels, for the icon a StatusNotifierItem host shows.
set(tray_pictures ${CMAKE_BINARY_DIR}/generated/resources/tray_pictures.h)
add_custom_command(
  OUTPUT ${icon_files} ${tray_pictures}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_icons.py ${icon_dir}
          --header ${tray_pictures}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icons.py
  COMMENT "Drawing the icons")

file(GLOB RC_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
set(resource_objects)
foreach(script ${RC_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  set(object ${CMAKE_BINARY_DIR}/resources/${name}${TUNLARK_RC_SUFFIX})
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND ${TUNLARK_RC_COMMAND} -I${icon_dir} -I${CMAKE_SOURCE_DIR}/resources
            -I${CMAKE_SOURCE_DIR} -o ${object} ${script}
    DEPENDS ${script} ${CMAKE_SOURCE_DIR}/resources/resource_ids.h
            ${CMAKE_SOURCE_DIR}/resources/tunlark.manifest ${icon_files}
    COMMENT "Compiling resources ${name}.rc")
  list(APPEND resource_objects ${object})
endforeach()
set_source_files_properties(${resource_objects} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)

add_executable(Tunlark WIN32 ${PROGRAM_SOURCES} ${resource_objects} ${tray_pictures})
# POSITION_INDEPENDENT_CODE would add -fPIE after the toolchain's -fPIC, and a Winelib program is
# a shared object.
set_target_properties(Tunlark PROPERTIES OUTPUT_NAME Tunlark SUFFIX .exe
                      RUNTIME_OUTPUT_DIRECTORY ${TUNLARK_BIN_DIR} POSITION_INDEPENDENT_CODE OFF)
# <windows.h> must not define min and max over the standard library's.
target_compile_definitions(Tunlark PRIVATE NOMINMAX)
target_link_options(Tunlark PRIVATE -mwindows)
target_link_libraries(Tunlark PRIVATE tunlark_core tunlark_engine tunlark_platform user32 gdi32 comdlg32 shell32
                      shlwapi ole32 winmm)
if(TUNLARK_WINELIB)
  pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
  # sd-bus, for the MPRIS server of the desktop's media controls.
  pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
  # The tracks' tags and pictures for the media controls.
  pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
  target_link_libraries(Tunlark PRIVATE tunlark_posix X11 PkgConfig::PULSE PkgConfig::SYSTEMD
                        PkgConfig::TAGLIB)
  # wineg++ defines the Windows macros and a 2-byte wchar_t, which would turn TagLib's headers
  # into those of a Windows TagLib (dllimport, wide file names, another reference-count layout).
  # The file that uses TagLib is compiled as the Linux code it links with; it includes no Win32.
  set_source_files_properties(
    ${CMAKE_SOURCE_DIR}/platform/track_tags_linux.cpp
    PROPERTIES COMPILE_OPTIONS
               "-fno-short-wchar;-U_WIN32;-U_WIN64;-UWIN32;-UWIN64;-U__WIN32;-U__WIN64;-U__WIN32__;-U__WIN64__;-U__WINNT;-U__WINNT__")
  # The media controls announce the types of the menu entry (cmake/file_types.cmake).
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/app/menu_mime_types.h
       CONTENT "// Made from resources/track_formats.txt by cmake/program.cmake.\n#pragma once\nconstexpr char kMenuMimeTypes[] = \"@TUNLARK_MIME_TYPES@\";\n"
       @ONLY)
  target_include_directories(Tunlark PRIVATE ${CMAKE_BINARY_DIR}/generated)
  # CMake does not know winegcc's own library folders and would write the system's into the
  # program as a search path.
  set_target_properties(Tunlark PROPERTIES SKIP_BUILD_RPATH ON)
endif()

# The files that live beside the program.
include(${CMAKE_SOURCE_DIR}/cmake/program_files.cmake)
tunlark_program_files(program_files ${TUNLARK_BIN_DIR})

# The end-to-end tests' driver: sends the running player the messages a user's actions cause.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/driver_win32.cpp)
  add_executable(tunlark_driver ${CMAKE_SOURCE_DIR}/tests/e2e/driver_win32.cpp)
  set_target_properties(tunlark_driver PROPERTIES SUFFIX .exe POSITION_INDEPENDENT_CODE OFF)
  target_link_libraries(tunlark_driver PRIVATE user32 shell32)
endif()
include(${CMAKE_SOURCE_DIR}/cmake/install.cmake)
