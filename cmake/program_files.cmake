# The files that live beside a program (its default config.cfg and hotkeys.txt, and Help), made
# into folder by the target: the Win32 program's and the native program's are the same files.
function(tunlark_program_files target folder)
  set(defaults ${folder}/config.cfg ${folder}/hotkeys.txt)
  add_custom_command(
    OUTPUT ${defaults}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_default_files.py ${folder}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_default_files.py
            ${CMAKE_SOURCE_DIR}/settings/hotkeys.cpp
    COMMENT "Writing the default config.cfg and hotkeys.txt into ${folder}")
  add_custom_command(
    OUTPUT ${folder}/Help/Help.htm
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/Help/Help.htm
            ${folder}/Help/Help.htm
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/Help/Help.htm)
  add_custom_target(${target} ALL DEPENDS ${defaults} ${folder}/Help/Help.htm)
endfunction()
