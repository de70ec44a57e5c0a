# resources/track_formats.txt, the one table of the file types the player opens, made into what
# each user reads: TUNLARK_FILE_TYPE_ROWS (C++ initialisers, for playlist/file_types.cpp) and
# TUNLARK_MIME_TYPES (the menu entry's MimeType value, each type once, in the table's order).
set(file_types_table ${CMAKE_SOURCE_DIR}/resources/track_formats.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file_types_table})
file(STRINGS ${file_types_table} file_type_lines REGEX "^[^#]")
set(rows "")
set(mime_list)
foreach(line ${file_type_lines})
  # file(STRINGS) keeps a row's semicolons escaped.
  string(REPLACE "\\;" "," line "${line}")
  if(NOT line MATCHES "^([a-z0-9]+) +([a-z0-9]+) +([0-9]+) +([^ ]+) +([^ ]+) *$")
    message(FATAL_ERROR "${file_types_table}: cannot read the row \"${line}\"")
  endif()
  string(REPLACE "," ";" types "${CMAKE_MATCH_5}")
  string(APPEND rows
         "  {\"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\", ${CMAKE_MATCH_3}, \"${CMAKE_MATCH_4}\", "
         "\"${types}\"},\n")
  list(APPEND mime_list ${types})
endforeach()
list(REMOVE_DUPLICATES mime_list)
list(JOIN mime_list ";" TUNLARK_MIME_TYPES)
set(TUNLARK_MIME_TYPES "${TUNLARK_MIME_TYPES};")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/playlist/file_type_rows.inc
     CONTENT "// Made from resources/track_formats.txt by cmake/file_types.cmake.\n@rows@" @ONLY)
