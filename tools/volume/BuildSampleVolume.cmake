# Builds the sample volume (cmake -P): rocnik.ini and help.txt in code page 1250 with CRLF line
# ends, and one table per CSV file, created by `sklad import` with the catalogue's columns and
# indexes. The volume is built in a fresh staging folder and only then replaces OUTPUT_DIR, so a
# failed build leaves the previous volume whole and a repeated build never meets old tables.
# Arguments: SKLAD, WINDOWS_TEXT (the programs), SOURCE_DIR (samples/), OUTPUT_DIR, STAGING_DIR.
foreach(argument SKLAD WINDOWS_TEXT SOURCE_DIR OUTPUT_DIR STAGING_DIR)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "BuildSampleVolume.cmake: ${argument} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGING_DIR})
file(MAKE_DIRECTORY ${STAGING_DIR})

foreach(text rocnik.ini help.txt)
  execute_process(COMMAND ${WINDOWS_TEXT} ${SOURCE_DIR}/${text} ${STAGING_DIR}/${text}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(READ ${SOURCE_DIR}/catalogue-columns.txt columns)
string(STRIP "${columns}" columns)
file(STRINGS ${SOURCE_DIR}/catalogue-indexes.txt indexed_fields)
set(index_options)
foreach(field IN LISTS indexed_fields)
  list(APPEND index_options --index ${field})
endforeach()

file(GLOB tables ${SOURCE_DIR}/*.csv)
if(NOT tables)
  message(FATAL_ERROR "BuildSampleVolume.cmake: no CSV file in ${SOURCE_DIR}")
endif()
foreach(csv IN LISTS tables)
  get_filename_component(table ${csv} NAME_WE)
  execute_process(COMMAND ${SKLAD} import ${STAGING_DIR} ${table} ${csv} --schema "${columns}"
                          --language Czech ${index_options}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(REMOVE_RECURSE ${OUTPUT_DIR})
get_filename_component(output_parent ${OUTPUT_DIR} DIRECTORY)
file(MAKE_DIRECTORY ${output_parent})
file(RENAME ${STAGING_DIR} ${OUTPUT_DIR})
