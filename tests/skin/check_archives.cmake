# Checks the two archives that the installer embeds as resources 129 and 130:
#  - both pass 7-Zip's own integrity test;
#  - the skin archive holds exactly the rendered stage, which includes every file the windows load;
#  - the font archive holds exactly the two fonts that start-up registers.
# Run with -DSEVEN_ZIP= -DSKIN_ARCHIVE= -DSKIN_STAGE= -DFONT_ARCHIVE= -P check_archives.cmake
cmake_minimum_required(VERSION 3.25)

function(archive_entries archive out)
  execute_process(COMMAND "${SEVEN_ZIP}" t "${archive}" RESULT_VARIABLE tested OUTPUT_QUIET ERROR_QUIET)
  if(NOT tested EQUAL 0)
    message(FATAL_ERROR "${archive} fails the integrity test")
  endif()
  execute_process(COMMAND "${SEVEN_ZIP}" l -slt "${archive}"
    RESULT_VARIABLE listed OUTPUT_VARIABLE listing ERROR_QUIET)
  if(NOT listed EQUAL 0)
    message(FATAL_ERROR "cannot list ${archive}")
  endif()
  # Entries follow the "----------" line as blocks of "Key = value" lines ended by a blank line;
  # folders carry attributes starting with "D".
  string(FIND "${listing}" "----------" start)
  string(SUBSTRING "${listing}" ${start} -1 listing)
  string(REPLACE "\n" ";" lines "${listing}")
  set(entries "")
  set(path "")
  foreach(line IN LISTS lines ITEMS "")
    if(line MATCHES "^Path = (.+)$")
      set(path "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^Attributes = D")
      set(path "")
    elseif(line STREQUAL "" AND NOT path STREQUAL "")
      list(APPEND entries "${path}")
      set(path "")
    endif()
  endforeach()
  list(SORT entries)
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

archive_entries("${SKIN_ARCHIVE}" skin_entries)
file(GLOB_RECURSE staged RELATIVE "${SKIN_STAGE}" "${SKIN_STAGE}/*")
list(SORT staged)
if(NOT skin_entries STREQUAL staged)
  message(FATAL_ERROR "skin archive and rendered skin differ\narchive: ${skin_entries}\nstage: ${staged}")
endif()

set(loaded_by_windows
  mainframe.xml downloaderbox.xml downloaderrorbox.xml installbox.xml scrollbar.xml
  common/xml_messagebox.xml common/xml_messagebox_noicon.xml multi_language.tsv scrollbar.bmp
  root_back.png btn_login.png common/shadow_bottom.png common/msg_noice48.png commonEnalarge/msg_noice48.png)
foreach(code cn tw kr vn th ru pt fr jp es id ar fa tr de en)
  list(APPEND loaded_by_windows "language/downloader_${code}.xml")
endforeach()
foreach(name IN LISTS loaded_by_windows)
  if(NOT name IN_LIST skin_entries)
    message(FATAL_ERROR "skin archive lacks ${name}")
  endif()
endforeach()

archive_entries("${FONT_ARCHIVE}" font_entries)
if(NOT font_entries STREQUAL "NotoSans-Regular.otf;Roboto-Regular.otf")
  message(FATAL_ERROR "font archive holds: ${font_entries}")
endif()

list(LENGTH skin_entries skin_count)
message(STATUS "skin.7z: ${skin_count} files; fonts.7z: ${font_entries}")
