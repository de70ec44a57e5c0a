# The native Linux program `tunlark`: the portable core with a GTK 3 front end, the session bus
# (MPRIS, the StatusNotifierItem, the single instance), X11 key grabs and PulseAudio. No Wine and
# no Windows headers: the *_gtk.cpp files of the source folders, the Linux and X11 platform code
# and the POSIX file system.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(NATIVE_PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(NATIVE_SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
pkg_check_modules(NATIVE_TAGLIB REQUIRED IMPORTED_TARGET taglib)
pkg_check_modules(NATIVE_X11 REQUIRED IMPORTED_TARGET x11)

set(TUNLARK_NATIVE_BIN_DIR ${CMAKE_SOURCE_DIR}/build/native-bin
    CACHE PATH "Where the native program and its files are put")

set(native_globs)
foreach(dir platform playback/engine playback playlist settings app)
  list(APPEND native_globs ${CMAKE_SOURCE_DIR}/${dir}/*_gtk.cpp)
endforeach()
file(GLOB NATIVE_SOURCES CONFIGURE_DEPENDS ${native_globs})
# The files of the toolkit module (below), out of the player.
set(NATIVE_TOOLKIT_SOURCES app/front_end_gtk.cpp app/toolkit_gtk.cpp platform/message_box_gtk.cpp
    playlist/choosers_gtk.cpp settings/dialog_window_gtk.cpp settings/hotkeys_dialog_gtk.cpp
    settings/options_dialog_gtk.cpp)
list(TRANSFORM NATIVE_TOOLKIT_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
list(REMOVE_ITEM NATIVE_SOURCES ${NATIVE_TOOLKIT_SOURCES})
list(APPEND NATIVE_SOURCES
     ${CMAKE_SOURCE_DIR}/platform/cover_cache_linux.cpp
     ${CMAKE_SOURCE_DIR}/platform/global_hotkeys_x11.cpp
     ${CMAKE_SOURCE_DIR}/platform/global_shortcuts_portal_linux.cpp
     ${CMAKE_SOURCE_DIR}/platform/media_controls_linux.cpp
     ${CMAKE_SOURCE_DIR}/platform/status_notifier_linux.cpp
     ${CMAKE_SOURCE_DIR}/platform/track_tags_linux.cpp
     ${CMAKE_SOURCE_DIR}/platform/unix_files_x11.cpp
     ${CMAKE_SOURCE_DIR}/playback/engine/output_pulse_linux.cpp)

set(native_generated ${CMAKE_BINARY_DIR}/native_generated)
# The tray's pictures as a pixel table, drawn by the same script as the Win32 icons.
set(native_pictures ${native_generated}/resources/tray_pictures.h)
add_custom_command(
  OUTPUT ${native_pictures}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_icons.py
          ${CMAKE_BINARY_DIR}/native_icons --header ${native_pictures}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icons.py
  COMMENT "Drawing the tray pictures")
# The tray menu, read from the menu of the Win32 program's resource script.
set(native_menu ${native_generated}/resources/tray_menu_table.h)
add_custom_command(
  OUTPUT ${native_menu}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${native_generated}/resources
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_menu_table.py
          ${CMAKE_SOURCE_DIR}/resources/tunlark.rc ${native_menu}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_menu_table.py ${CMAKE_SOURCE_DIR}/resources/tunlark.rc
  COMMENT "Reading the tray menu")
# The media controls announce the types of the menu entry (cmake/file_types.cmake).
file(CONFIGURE OUTPUT ${native_generated}/app/menu_mime_types.h
     CONTENT "// Made from resources/track_formats.txt by cmake/native_program.cmake.\n#pragma once\nconstexpr char kMenuMimeTypes[] = \"@TUNLARK_MIME_TYPES@\";\n"
     @ONLY)

# The engine without FFmpeg: its decoder is the module tunlark-ffmpeg.so beside the program,
# loaded the first time a track needs it, so that a start maps none of the many libraries
# Debian's FFmpeg pulls in.
add_library(tunlark_engine_native STATIC
            ${CMAKE_SOURCE_DIR}/playback/engine/ffmpeg_module_loader_linux.cpp
            ${CMAKE_SOURCE_DIR}/playback/engine/ffmpeg_module_linux.cpp)
target_link_libraries(tunlark_engine_native PUBLIC tunlark_engine_objects ${CMAKE_DL_LIBS})
# The module exports its entry alone; what it takes from the engine and the platform stays its own.
add_library(tunlark_ffmpeg_module MODULE
            ${CMAKE_SOURCE_DIR}/playback/engine/decoder_ffmpeg.cpp
            ${CMAKE_SOURCE_DIR}/playback/engine/ffmpeg_module_entry_linux.cpp
            ${CMAKE_SOURCE_DIR}/playback/engine/media_seek.cpp
            ${CMAKE_SOURCE_DIR}/playback/engine/track_decoders.cpp)
target_include_directories(tunlark_ffmpeg_module PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_target_properties(tunlark_ffmpeg_module PROPERTIES
                      PREFIX "" OUTPUT_NAME tunlark-ffmpeg
                      LIBRARY_OUTPUT_DIRECTORY ${TUNLARK_NATIVE_BIN_DIR}
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(tunlark_ffmpeg_module PRIVATE tunlark_platform PkgConfig::FFMPEG)
target_link_options(tunlark_ffmpeg_module PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)

# The player is a module beside the program file, which loads it only when it is to run the
# player: a later start hands its path over with GIO alone and never maps the toolkit.
pkg_check_modules(NATIVE_GIO REQUIRED IMPORTED_TARGET gio-2.0)
add_library(tunlark_player MODULE ${NATIVE_SOURCES} ${native_pictures} ${native_menu})
target_include_directories(tunlark_player PRIVATE ${native_generated})
set_target_properties(tunlark_player PROPERTIES OUTPUT_NAME tunlark-player PREFIX ""
                      LIBRARY_OUTPUT_DIRECTORY ${TUNLARK_NATIVE_BIN_DIR})
target_link_libraries(tunlark_player PRIVATE tunlark_core tunlark_engine_native tunlark_platform
                      tunlark_posix PkgConfig::NATIVE_GIO PkgConfig::NATIVE_PULSE
                      PkgConfig::NATIVE_SYSTEMD PkgConfig::NATIVE_TAGLIB PkgConfig::NATIVE_X11)
# The soname lets the toolkit module name the player it is loaded into.
target_link_options(tunlark_player PRIVATE -Wl,--no-undefined -Wl,-soname,tunlark-player.so)

# GTK's windows and the XEmbed icon, loaded by the player after the first sound. The core comes
# from the player, named first so that no copy of its globals is made here; only what the dialogs
# alone use is taken from the static libraries.
add_library(tunlark_gtk MODULE ${NATIVE_TOOLKIT_SOURCES})
set_target_properties(tunlark_gtk PROPERTIES OUTPUT_NAME tunlark-gtk PREFIX "" SKIP_BUILD_RPATH ON
                      LIBRARY_OUTPUT_DIRECTORY ${TUNLARK_NATIVE_BIN_DIR}
                      LINK_DEPENDS $<TARGET_FILE:tunlark_player>)
target_include_directories(tunlark_gtk PRIVATE ${CMAKE_SOURCE_DIR} ${native_generated})
# Passed to the linker as a file: CMake may turn a module's path into a -l option it cannot find.
target_link_libraries(tunlark_gtk PRIVATE -Wl,$<TARGET_FILE:tunlark_player> tunlark_core
                      tunlark_platform tunlark_posix PkgConfig::GTK3)
target_link_options(tunlark_gtk PRIVATE -Wl,--no-undefined)
add_dependencies(tunlark_gtk tunlark_player)

add_executable(tunlark ${CMAKE_SOURCE_DIR}/app/main_linux.cpp
               ${CMAKE_SOURCE_DIR}/app/hand_over_gtk.cpp ${CMAKE_SOURCE_DIR}/app/command_line.cpp)
target_include_directories(tunlark PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(tunlark PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TUNLARK_NATIVE_BIN_DIR})
target_link_libraries(tunlark PRIVATE PkgConfig::NATIVE_GIO ${CMAKE_DL_LIBS})
# Built with the program: neither runs without the other.
add_dependencies(tunlark tunlark_player tunlark_ffmpeg_module tunlark_gtk)

# The files that live beside the program, as the Win32 program's.
include(${CMAKE_SOURCE_DIR}/cmake/program_files.cmake)
tunlark_program_files(native_program_files ${TUNLARK_NATIVE_BIN_DIR})
include(${CMAKE_SOURCE_DIR}/cmake/install.cmake)
