# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into a scratch folder and checks it: exactly the
# files of the installed layout (the executables and the compiler kit's two
# scripts executable, the clip module beside the kit), the run-time
# dependencies of the program, and, when the tools are given, that lintian
# and appstreamcli find nothing to say.
#   cmake -DCPACK=<cpack> -DSOURCE_DIR=<source> -DBUILD_DIR=<build> -DWORK_DIR=<scratch>
#         [-DLINTIAN=<lintian>] [-DAPPSTREAMCLI=<appstreamcli>] -P debian_package.cmake
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
set(kit ./usr/lib/pelmorix)
set(expected
    "rwx ./usr/bin/pelmorix" "rwx ./usr/bin/pelmorix-render"
    "rw- ${data}/px.ifs" "rw- ${data}/help.html"
    "rwx ${kit}/MAKE.PIF" "rwx ${kit}/DCC32.EXE"
    "rw- ${kit}/MATH.DCU" "rw- ${kit}/SHAREMEM.DCU" "rw- ${kit}/SYSINIT.DCU" "rw- ${kit}/SYSTEM.DCU"
    "rw- ${kit}/WINDOWS.DCU" "rw- ${kit}/SYSUTILS.DCU" "rw- ${kit}/RLINK32.DLL" "rw- ${kit}/SYSUTILS.INC"
    "rw- ${kit}/modules/pelmorix-clips.so"
    "rw- ./usr/share/applications/pelmorix.desktop"
    "rw- ./usr/share/icons/hicolor/scalable/apps/pelmorix.svg"
    "rw- ./usr/share/mime/packages/pelmorix.xml"
    "rw- ./usr/share/metainfo/org.pelmorix.pelmorix.metainfo.xml"
    "rw- ./usr/share/man/man1/pelmorix.1.gz" "rw- ./usr/share/man/man1/pelmorix-render.1.gz"
    "rw- ./usr/share/doc/pelmorix/copyright" "rw- ./usr/share/doc/pelmorix/changelog.gz")
foreach(size 16 32 48 64 128 256)
  list(APPEND expected "rw- ./usr/share/icons/hicolor/${size}x${size}/apps/pelmorix.png")
endforeach()
if(EXISTS ${SOURCE_DIR}/resources/default.frp)
  list(APPEND expected "rw- ${data}/default.frp")
endif()
file(GLOB_RECURSE examples RELATIVE ${SOURCE_DIR}/examples ${SOURCE_DIR}/examples/*)
foreach(example IN LISTS examples)
  list(APPEND expected "rw- ${data}/examples/${example}")
endforeach()

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
run(recommends dpkg-deb -f ${debs} Recommends)
# The compiler serves the user formulas only.
if(depends MATCHES "fp-compiler" OR NOT recommends STREQUAL "fp-compiler\n")
  message(FATAL_ERROR "fp-compiler is to be recommended only: Depends: ${depends}Recommends: ${recommends}")
endif()
foreach(package libqt6widgets6 libqt6gui6 libqt6printsupport6 libjpeg62-turbo libpng16-16
        "libavformat[0-9]+" "libavcodec[0-9]+" "libavutil[0-9]+" "libswscale[0-9]+")
  if(NOT depends MATCHES "(^|, )${package}( |,|\n|$)")
    message(FATAL_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()

# Any error or warning fails; information tags ("I:") do not.
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${debs} OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(out MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian:\n${out}${err}")
  endif()
endif()
if(APPSTREAMCLI)
  run(ignored dpkg-deb -x ${debs} ${WORK_DIR}/root)
  # --no-net: the check is the file's, not the network's.
  execute_process(COMMAND ${APPSTREAMCLI} validate --pedantic --no-net
                          ${WORK_DIR}/root/usr/share/metainfo/org.pelmorix.pelmorix.metainfo.xml
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR "${out}${err}" MATCHES "(^|\n)[A-Z]: ")
    message(FATAL_ERROR "appstreamcli validate: ${rc}\n${out}${err}")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
