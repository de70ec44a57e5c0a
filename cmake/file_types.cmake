# resources/track_formats.txt, the one table of the file types the player opens, made into what
# each user reads: TUNLARK_FILE_TYPE_ROWS (C++ initialisers, for playlist/file_types.cpp), the
# engine's rows of track decoders (for playback/engine/track_decoders.cpp) and TUNLARK_MIME_TYPES
# (the menu entry's MimeType value, each type once, in the table's order).
set(file_types_table ${CMAKE_SOURCE_DIR}/resources/track_formats.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file_types_table})
file(STRINGS ${file_types_table} file_type_lines REGEX "^[^#]")
# What "opens" may name: a decoder of the engine, or a playlist reader.
set(track_decoders mpeg sndfile module ffmpeg)
set(playlist_readers m3u pls)
set(rows "")
set(decoder_rows "")
set(mime_list)
foreach(line ${file_type_lines})
  # file(STRINGS) keeps a row's semicolons escaped.
  string(REPLACE "\\;" "," line "${line}")
  if(NOT line MATCHES
     "^([a-z0-9]+) +([a-z0-9]+) +([0-9]+) +([^ ]+) +([^ ]+)( +([a-z0-9_,]+) +([a-z0-9_,]+))? *$")
    message(FATAL_ERROR "${file_types_table}: cannot read the row \"${line}\"")
  endif()
  set(extension ${CMAKE_MATCH_1})
  set(opens ${CMAKE_MATCH_2})
  set(demuxers "${CMAKE_MATCH_7}")
  set(decoders "${CMAKE_MATCH_8}")
  string(REPLACE "," ";" types "${CMAKE_MATCH_5}")
  string(APPEND rows
         "  {\"${extension}\", \"${opens}\", ${CMAKE_MATCH_3}, \"${CMAKE_MATCH_4}\", "
         "\"${types}\"},\n")
  list(APPEND mime_list ${types})
  if(NOT opens IN_LIST track_decoders AND NOT opens IN_LIST playlist_readers)
    message(FATAL_ERROR "${file_types_table}: \"${extension}\" opens with \"${opens}\", which "
                        "is none of ${track_decoders};${playlist_readers}")
  endif()
  # FFmpeg's names say what it reads; a row of another decoder has nothing for them to do.
  if((opens STREQUAL "ffmpeg" AND decoders STREQUAL "") OR
     (NOT opens STREQUAL "ffmpeg" AND NOT decoders STREQUAL ""))
    message(FATAL_ERROR "${file_types_table}: \"${extension}\" must name FFmpeg's demuxers and "
                        "decoders if, and only if, it opens with ffmpeg")
  endif()
  if(opens IN_LIST track_decoders)
    string(APPEND decoder_rows
           "  {\"${extension}\", \"${opens}\", \"${demuxers}\", \"${decoders}\"},\n")
  endif()
endforeach()
list(REMOVE_DUPLICATES mime_list)
list(JOIN mime_list ";" TUNLARK_MIME_TYPES)
set(TUNLARK_MIME_TYPES "${TUNLARK_MIME_TYPES};")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/playlist/file_type_rows.inc
     CONTENT "// Made from resources/track_formats.txt by cmake/file_types.cmake.\n@rows@" @ONLY)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/playback/engine/track_decoder_rows.inc
     CONTENT "// Made from resources/track_formats.txt by cmake/file_types.cmake.\n@decoder_rows@"
     @ONLY)
