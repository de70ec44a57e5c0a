# resources/dialogs.rc, the Win32 program's dialogs, made into C++ initialisers
# (settings/dialog_layout.cpp) from which the native program builds the same dialogs: their
# captions, and each control's kind, text, id and place, in the script's order.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(dialog_layout_inputs ${CMAKE_SOURCE_DIR}/resources/dialogs.rc
                         ${CMAKE_SOURCE_DIR}/resources/resource_ids.h
                         ${CMAKE_SOURCE_DIR}/resources/make_dialog_layout.py)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dialog_layout_inputs})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated/settings)
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_dialog_layout.py
          ${CMAKE_SOURCE_DIR}/resources/dialogs.rc ${CMAKE_SOURCE_DIR}/resources/resource_ids.h
          ${CMAKE_BINARY_DIR}/generated/settings/dialog_layout_rows.inc
  RESULT_VARIABLE dialog_layout_result)
if(NOT dialog_layout_result EQUAL 0)
  message(FATAL_ERROR "resources/make_dialog_layout.py could not read resources/dialogs.rc")
endif()
