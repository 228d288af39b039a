# Writes import/LibraryExtensions.h: the extensions the library's reader READER reads, as one
# string. Rewritten only when they change, so that a new build of the reader rebuilds nothing.
execute_process(COMMAND ${READER} --extensions
  OUTPUT_VARIABLE extensions OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR extensions STREQUAL "")
  message(FATAL_ERROR "${READER} --extensions failed (${status})")
endif()
set(text "// The extensions the Open Asset Import Library reads, lower case; made by the build.
#pragma once

#define KALDERINO_LIBRARY_EXTENSIONS \"${extensions}\"
")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
