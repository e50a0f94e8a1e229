# SPDX-License-Identifier: GPL-3.0-or-later
# Installed layout: the executables in bin/, what they read in
# share/pelmorix/, and the desktop integration (menu entry, icon, file types,
# manual page). The program finds share/pelmorix/ from its own folder.
include(GNUInstallDirs)
set(PX_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/pelmorix)
file(RELATIVE_PATH px_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/pelmorix)
set_property(SOURCE platform/program_folder.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             PX_DATA_FROM_BIN="${px_data_from_bin}")

install(TARGETS pelmorix pelmorix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/px.ifs resources/help.html DESTINATION ${PX_DATA_INSTALL_DIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/default.frp)
  install(FILES resources/default.frp DESTINATION ${PX_DATA_INSTALL_DIR})
endif()
install(FILES resources/kit/MATH.DCU resources/kit/SHAREMEM.DCU resources/kit/SYSINIT.DCU resources/kit/SYSTEM.DCU
              resources/kit/WINDOWS.DCU resources/kit/SYSUTILS.DCU resources/kit/RLINK32.DLL resources/kit/SYSUTILS.INC
        DESTINATION ${PX_DATA_INSTALL_DIR})
install(PROGRAMS resources/kit/MAKE.PIF resources/kit/DCC32.EXE DESTINATION ${PX_DATA_INSTALL_DIR})

set(px_desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${px_desktop}/pelmorix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${px_desktop}/pelmorix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${px_desktop}/pelmorix-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME pelmorix.png)
endforeach()
install(FILES ${px_desktop}/pelmorix.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The manual page takes its options from the program's --help; manual pages
# are installed compressed.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz
                   COMMAND sh ${px_desktop}/make_manual.sh $<TARGET_FILE:pelmorix-render> ${px_desktop}/pelmorix-render.1.in
                           > ${CMAKE_BINARY_DIR}/pelmorix-render.1
                   COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/pelmorix-render.1
                   DEPENDS pelmorix-render ${px_desktop}/make_manual.sh ${px_desktop}/pelmorix-render.1.in VERBATIM)
add_custom_target(px_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: cpack -G DEB in the build folder. dpkg-shlibdeps finds
# the library packages (Qt, libjpeg, libpng, FFmpeg); the user formulas need
# the Free Pascal compiler besides.
set(CPACK_PACKAGE_NAME pelmorix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelmorix")
set(CPACK_PACKAGE_CONTACT "Pelmorix developers <pelmorix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop fractal explorer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Pelmorix explores and renders escape-time fractals, iterated function systems and 3D strange attractors, "
       "saves spots, palettes, images and video clips, and renders in batch with pelmorix-render.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fp-compiler")
include(CPack)

if(PX_BUILD_TESTS)
  find_program(PX_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(PX_UPDATE_MIME_DATABASE update-mime-database)
  find_program(PX_XMLLINT xmllint)
  if(PX_DESKTOP_FILE_VALIDATE AND PX_UPDATE_MIME_DATABASE AND PX_XMLLINT)
    add_test(NAME DesktopFiles.EntryAndFileTypesValidate
             COMMAND ${CMAKE_COMMAND} -DDESKTOP_DIR=${px_desktop} -DWORK_DIR=${CMAKE_BINARY_DIR}/desktop_check
                     -P ${CMAKE_SOURCE_DIR}/tests/package/desktop_files.cmake)
  endif()
  find_program(PX_DPKG_DEB dpkg-deb)
  find_program(PX_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(PX_DPKG_DEB AND PX_DPKG_SHLIBDEPS)
    add_test(NAME Package.DebianFileListAndDependencies
             COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DWORK_DIR=${CMAKE_BINARY_DIR}/package_check -P ${CMAKE_SOURCE_DIR}/tests/package/debian_package.cmake)
  endif()
endif()
