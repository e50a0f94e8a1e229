# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into a scratch folder and checks it: exactly the
# files of the installed layout (the executables and the compiler kit's two
# scripts executable), and the run-time dependencies of the program.
#   cmake -DCPACK=<cpack> -DSOURCE_DIR=<source> -DBUILD_DIR=<build> -DWORK_DIR=<scratch>
#         -P debian_package.cmake
function(run out_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${rc}\n${out}${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run(ignored ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
file(GLOB debs ${WORK_DIR}/pelmorix_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one pelmorix_*.deb in ${WORK_DIR}, found: ${debs}")
endif()

set(data ./usr/share/pelmorix)
set(expected
    "rwx ./usr/bin/pelmorix" "rwx ./usr/bin/pelmorix-render"
    "rw- ${data}/px.ifs" "rw- ${data}/help.html"
    "rwx ${data}/MAKE.PIF" "rwx ${data}/DCC32.EXE"
    "rw- ${data}/MATH.DCU" "rw- ${data}/SHAREMEM.DCU" "rw- ${data}/SYSINIT.DCU" "rw- ${data}/SYSTEM.DCU"
    "rw- ${data}/WINDOWS.DCU" "rw- ${data}/SYSUTILS.DCU" "rw- ${data}/RLINK32.DLL" "rw- ${data}/SYSUTILS.INC"
    "rw- ./usr/share/applications/pelmorix.desktop"
    "rw- ./usr/share/icons/hicolor/scalable/apps/pelmorix.svg"
    "rw- ./usr/share/mime/packages/pelmorix.xml"
    "rw- ./usr/share/man/man1/pelmorix-render.1.gz")
foreach(size 16 32 48 64 128 256)
  list(APPEND expected "rw- ./usr/share/icons/hicolor/${size}x${size}/apps/pelmorix.png")
endforeach()
if(EXISTS ${SOURCE_DIR}/resources/default.frp)
  list(APPEND expected "rw- ${data}/default.frp")
endif()

# "-rwxr-xr-x root/root 1234 2026-01-01 12:00 ./usr/bin/pelmorix": the owner's
# permissions and the path of every plain file.
run(listing dpkg-deb -c ${debs})
string(REPLACE "\n" ";" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  if(line MATCHES "^-(...)[^ ]* +root/root +[0-9]+ [^ ]+ [^ ]+ (.*)$")
    list(APPEND found "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
  endif()
endforeach()
list(SORT found)
list(SORT expected)
if(NOT found STREQUAL expected)
  string(REPLACE ";" "\n  " found "${found}")
  string(REPLACE ";" "\n  " expected "${expected}")
  message(FATAL_ERROR "package files:\n  ${found}\nexpected:\n  ${expected}")
endif()

run(depends dpkg-deb -f ${debs} Depends)
foreach(package fp-compiler libqt6widgets6 libqt6gui6 libqt6printsupport6 libjpeg62-turbo libpng16-16
        "libavformat[0-9]+" "libavcodec[0-9]+" "libavutil[0-9]+" "libswscale[0-9]+")
  if(NOT depends MATCHES "(^|, )${package}( |,|\n|$)")
    message(FATAL_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
