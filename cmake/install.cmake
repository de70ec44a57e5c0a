# What an installed Tunlark holds, and CPack's settings for making it a package: on Linux the
# Debian package of the native program (scripts/package), on Windows the zip
# (scripts/build-windows). Included by cmake/native_program.cmake and cmake/program.cmake; the
# Winelib program is not packaged. The files made for it go to build/<config>/install-files.
if(TUNLARK_WINELIB)
  return()
endif()
set(install_files ${CMAKE_BINARY_DIR}/install-files)
if(WIN32)
  set(TUNLARK_INSTALL_PROGRAM_DIR .)
  set(TUNLARK_INSTALL_DEFAULTS_DIR .)
else()
  # Users cannot write here: the launcher runs each user's copy of program/ from a folder of
  # their own (scripts/launch-common.sh), filled with the defaults beside it.
  set(TUNLARK_INSTALL_PROGRAM_DIR lib/tunlark/program)
  set(TUNLARK_INSTALL_DEFAULTS_DIR lib/tunlark)
endif()
set(made_files)

# Fresh defaults, never a config.cfg a player may have written into the bin folder.
add_custom_command(
  OUTPUT ${install_files}/defaults/config.cfg ${install_files}/defaults/hotkeys.txt
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_default_files.py
          ${install_files}/defaults
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_default_files.py)
list(APPEND made_files ${install_files}/defaults/config.cfg)
install(FILES ${install_files}/defaults/config.cfg ${install_files}/defaults/hotkeys.txt
        DESTINATION ${TUNLARK_INSTALL_DEFAULTS_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/Help/Help.htm
        DESTINATION ${TUNLARK_INSTALL_PROGRAM_DIR}/Help)

set(CPACK_PACKAGE_NAME tunlark)
set(CPACK_PACKAGE_VENDOR Tunlark)
set(CPACK_PACKAGE_CONTACT "Tunlark <support@tunlark.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio player in the notification area")

if(NOT WIN32)
  # Debian's layout: the launcher and the defaults in /usr/lib/tunlark, the program in its
  # program/ folder, the command in /usr/bin, the desktop's files under /usr/share. The launcher
  # keeps the path of the older package's, which users' login entries start.
  set(icon_sizes 16 32 48 64 128 256)
  set(icon_files)
  foreach(size ${icon_sizes})
    list(APPEND icon_files ${install_files}/icons/${size}x${size}/apps/tunlark.png)
  endforeach()
  add_custom_command(
    OUTPUT ${icon_files}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_png_icons.py
            ${install_files}/icons
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_png_icons.py
            ${CMAKE_SOURCE_DIR}/resources/make_icons.py)
  # Debian wants documentation compressed, without a time stamp in it.
  foreach(doc changelog tunlark.1)
    add_custom_command(
      OUTPUT ${install_files}/${doc}.gz
      COMMAND sh -c "gzip -9nc '${CMAKE_SOURCE_DIR}/packaging/linux/${doc}' >'${doc}.gz'"
      WORKING_DIRECTORY ${install_files}
      DEPENDS ${CMAKE_SOURCE_DIR}/packaging/linux/${doc})
    list(APPEND made_files ${install_files}/${doc}.gz)
  endforeach()
  # The program, its player module and its FFmpeg decoder module without their symbol tables;
  # the build folder keeps them. The modules go beside the program, where it looks for them.
  add_custom_command(
    OUTPUT ${install_files}/program/tunlark ${install_files}/program/tunlark-player.so
           ${install_files}/program/tunlark-ffmpeg.so ${install_files}/program/tunlark-gtk.so
    COMMAND ${CMAKE_COMMAND} -E make_directory ${install_files}/program
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${install_files}/program/tunlark
            $<TARGET_FILE:tunlark>
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${install_files}/program/tunlark-player.so
            $<TARGET_FILE:tunlark_player>
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${install_files}/program/tunlark-ffmpeg.so
            $<TARGET_FILE:tunlark_ffmpeg_module>
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${install_files}/program/tunlark-gtk.so
            $<TARGET_FILE:tunlark_gtk>
    DEPENDS tunlark tunlark_player tunlark_ffmpeg_module tunlark_gtk)
  # Made for scripts/package only, not with every build of the program.
  add_custom_target(install_files DEPENDS ${made_files} ${icon_files}
                                          ${install_files}/program/tunlark
                                          ${install_files}/program/tunlark-ffmpeg.so)

  # The package's version has to be the changelog's newest.
  file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/linux/changelog changelog_top LIMIT_COUNT 1)
  if(NOT changelog_top MATCHES "^tunlark \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/linux/changelog does not begin with version ${PROJECT_VERSION}")
  endif()

  set(EXEC tunlark)
  set(MIME_TYPES "${TUNLARK_MIME_TYPES}")
  configure_file(${CMAKE_SOURCE_DIR}/resources/tunlark.desktop.in
                 ${install_files}/tunlark.desktop @ONLY)
  file(CREATE_LINK ../lib/tunlark/tunlark ${install_files}/tunlark SYMBOLIC)

  install(PROGRAMS ${install_files}/program/tunlark DESTINATION ${TUNLARK_INSTALL_PROGRAM_DIR})
  install(FILES ${install_files}/program/tunlark-player.so ${install_files}/program/tunlark-ffmpeg.so
                ${install_files}/program/tunlark-gtk.so
          DESTINATION ${TUNLARK_INSTALL_PROGRAM_DIR})
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/linux/tunlark
          DESTINATION ${TUNLARK_INSTALL_DEFAULTS_DIR})
  install(FILES ${CMAKE_SOURCE_DIR}/scripts/launch-common.sh
          DESTINATION ${TUNLARK_INSTALL_DEFAULTS_DIR})
  install(FILES ${install_files}/tunlark DESTINATION bin)
  install(FILES ${install_files}/tunlark.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/tunlark-mime.xml DESTINATION share/mime/packages
          RENAME tunlark.xml)
  foreach(size ${icon_sizes})
    install(FILES ${install_files}/icons/${size}x${size}/apps/tunlark.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/copyright ${install_files}/changelog.gz
          DESTINATION share/doc/tunlark)
  install(FILES ${install_files}/tunlark.1.gz DESTINATION share/man/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.tunlark.example")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Tunlark has no window of its own: a tray icon shows what plays, a pop-up
menu and twelve system-wide hotkeys control it, and a second start hands its
file to the running player. It plays MP3, MP2, MP1, WAV, AIFF, OGG, FLAC, Opus,
AAC and ALAC (M4A), WMA and tracker modules, reads M3U and PLS playlists and
scans folders. Its texts are Russian.")
  # Only the libraries the program links, found by dpkg-shlibdeps; the launcher needs bash and
  # coreutils alone, which every system has.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # The zip: everything in its top folder, the exe beside the LGPL DLLs users may replace.
  install(TARGETS Tunlark RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
  # The libraries and their licences come from the prefix of scripts/build-windows; an MSYS2
  # build has none.
  set(dlls)
  if(TUNLARK_DEPS_PREFIX)
    # FFmpeg's DLLs carry its version in their names (avcodec-59.dll): found, not named.
    set(dll_sources)
    foreach(deps_prefix ${TUNLARK_DEPS_PREFIX})
      foreach(dll libsndfile-1.dll libmpg123-0.dll libsoxr.dll)
        if(EXISTS ${deps_prefix}/bin/${dll})
          list(APPEND dll_sources ${deps_prefix}/bin/${dll})
        endif()
      endforeach()
      file(GLOB ffmpeg_dlls ${deps_prefix}/bin/avformat-*.dll ${deps_prefix}/bin/avcodec-*.dll
           ${deps_prefix}/bin/avutil-*.dll)
      list(APPEND dll_sources ${ffmpeg_dlls})
      install(DIRECTORY ${deps_prefix}/licences/ DESTINATION licences)
    endforeach()
    foreach(source ${dll_sources})
      get_filename_component(dll ${source} NAME)
      add_custom_command(
        OUTPUT ${install_files}/${dll}
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${install_files}/${dll} ${source}
        DEPENDS ${source})
      list(APPEND dlls ${install_files}/${dll})
    endforeach()
    install(FILES ${dlls} DESTINATION .)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/windows/LICENSES.txt DESTINATION licences
            RENAME README.txt)
    if(EXISTS /usr/share/doc/mingw-w64-x86-64-dev/copyright)
      install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licences
              RENAME mingw-w64-runtime.txt)
    endif()
  endif()
  add_custom_target(install_files ALL DEPENDS ${made_files} ${dlls})

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Tunlark-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
endif()

include(CPack)
