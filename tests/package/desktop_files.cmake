# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the desktop entry and the file types: desktop-file-validate passes,
# the MIME package is well-formed XML that update-mime-database takes, and
# every file type of the program gets its glob.
#   cmake -DDESKTOP_DIR=<resources/desktop> -DWORK_DIR=<scratch> -P desktop_files.cmake
# Fails on a non-zero exit or on any complaint.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "${ARGN}: ${rc}\n${out}${err}")
  endif()
endfunction()

run(desktop-file-validate ${DESKTOP_DIR}/pelmorix.desktop)
run(xmllint --noout ${DESKTOP_DIR}/pelmorix.xml)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/mime/packages)
file(COPY ${DESKTOP_DIR}/pelmorix.xml DESTINATION ${WORK_DIR}/mime/packages)
# The scratch folder on the search path, so the database has nothing to note.
run(${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK_DIR} update-mime-database ${WORK_DIR}/mime)
file(READ ${WORK_DIR}/mime/globs2 globs)
file(READ ${DESKTOP_DIR}/pelmorix.desktop entry)
foreach(pair "spot:frs" "palette:frp" "ifs:fri" "attractor:fr3")
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 kind)
  list(GET pair 1 ext)
  if(NOT globs MATCHES "application/x-pelmorix-${kind}:\\*\\.${ext}\n")
    message(FATAL_ERROR "no glob *.${ext} for application/x-pelmorix-${kind}:\n${globs}")
  endif()
  if(NOT entry MATCHES "MimeType=[^\n]*application/x-pelmorix-${kind};")
    message(FATAL_ERROR "the desktop entry does not open application/x-pelmorix-${kind}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
