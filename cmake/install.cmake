# SPDX-License-Identifier: GPL-3.0-or-later
# Installed layout: the executables in bin/, what they read in
# share/pelmorix/, the user-formula compiler kit (scripts the program runs)
# and the clip module in lib/pelmorix/, and the desktop integration (menu entry, icon, file types,
# AppStream description, manual pages). The program finds share/pelmorix/ and
# lib/pelmorix/ from its own folder.
include(GNUInstallDirs)
set(PX_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/pelmorix)
set(PX_KIT_INSTALL_DIR lib/pelmorix)
file(RELATIVE_PATH px_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/pelmorix)
file(RELATIVE_PATH px_kit_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${PX_KIT_INSTALL_DIR})
set_property(SOURCE platform/program_folder.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             PX_DATA_FROM_BIN="${px_data_from_bin}" PX_KIT_FROM_BIN="${px_kit_from_bin}")

install(TARGETS pelmorix pelmorix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/px.ifs resources/help.html DESTINATION ${PX_DATA_INSTALL_DIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/default.frp)
  install(FILES resources/default.frp DESTINATION ${PX_DATA_INSTALL_DIR})
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/examples)
  install(DIRECTORY examples/ DESTINATION ${PX_DATA_INSTALL_DIR}/examples
          FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
install(FILES resources/kit/MATH.DCU resources/kit/SHAREMEM.DCU resources/kit/SYSINIT.DCU resources/kit/SYSTEM.DCU
              resources/kit/WINDOWS.DCU resources/kit/SYSUTILS.DCU resources/kit/RLINK32.DLL resources/kit/SYSUTILS.INC
        DESTINATION ${PX_KIT_INSTALL_DIR})
install(PROGRAMS resources/kit/MAKE.PIF resources/kit/DCC32.EXE DESTINATION ${PX_KIT_INSTALL_DIR})
# The clip module lies with the kit, in a folder of its own: a private module
# needs no entry in the linker's cache, and CPack calls ldconfig for shared
# objects right under lib/. A shared object is not executable.
install(TARGETS px_clips LIBRARY DESTINATION ${PX_KIT_INSTALL_DIR}/modules
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

set(px_desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${px_desktop}/pelmorix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${px_desktop}/pelmorix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${px_desktop}/pelmorix-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME pelmorix.png)
endforeach()
install(FILES ${px_desktop}/pelmorix.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${px_desktop}/org.pelmorix.pelmorix.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the changelog are installed compressed, without a time
# stamp, so that two builds give the same files. The manual page of
# pelmorix-render takes its options from the program's --help.
set(px_doc_install_dir ${CMAKE_INSTALL_DATADIR}/doc/pelmorix)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz
                   COMMAND sh ${px_desktop}/make_manual.sh $<TARGET_FILE:pelmorix-render> ${px_desktop}/pelmorix-render.1.in
                           > ${CMAKE_BINARY_DIR}/pelmorix-render.1
                   COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/pelmorix-render.1
                   DEPENDS pelmorix-render ${px_desktop}/make_manual.sh ${px_desktop}/pelmorix-render.1.in VERBATIM)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pelmorix.1.gz
                   COMMAND gzip -9 -n -c ${px_desktop}/pelmorix.1 > ${CMAKE_BINARY_DIR}/pelmorix.1.gz
                   DEPENDS ${px_desktop}/pelmorix.1 VERBATIM)
# A native package: its changelog is changelog.gz.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
                   DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(px_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz ${CMAKE_BINARY_DIR}/pelmorix.1.gz
                                        ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/pelmorix.1.gz ${CMAKE_BINARY_DIR}/pelmorix-render.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${px_doc_install_dir})

# The Debian package: cpack -G DEB in the build folder. dpkg-shlibdeps finds
# the library packages (Qt, libjpeg, libpng, and FFmpeg through the clip
# module); the Free Pascal compiler is only needed for user formulas.
set(CPACK_PACKAGE_NAME pelmorix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelmorix")
set(CPACK_PACKAGE_CONTACT "Pelmorix developers <pelmorix-devel@lists.pelmorix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop explorer of fractals, IFS and strange attractors")
# The long description, in lines under 80 characters; an empty line parts
# two paragraphs.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Pelmorix explores escape-time fractals from a catalogue of formulas,\n"
       "orbital formulas, a constructor formula, IFS fractals and user formulas,\n"
       "coloured through filters, smoothing and parametric palettes. It zooms deep\n"
       "into the Mandelbrot and Julia sets with arbitrary precision, builds IFS\n"
       "fractals, searches 3D strange attractors and shows fractals as 3D\n"
       "landscapes.\n"
       "\n"
       "It saves spots, palettes, pictures and video clips, and renders pictures\n"
       "and clips in batch with pelmorix-render. User formulas are compiled with\n"
       "the Free Pascal compiler.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fp-compiler")
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
  find_program(PX_LINTIAN lintian)
  find_program(PX_APPSTREAMCLI appstreamcli)
  if(PX_DPKG_DEB AND PX_DPKG_SHLIBDEPS)
    add_test(NAME Package.DebianFileListAndDependencies
             COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DWORK_DIR=${CMAKE_BINARY_DIR}/package_check -DLINTIAN=${PX_LINTIAN} -DAPPSTREAMCLI=${PX_APPSTREAMCLI}
                     -P ${CMAKE_SOURCE_DIR}/tests/package/debian_package.cmake)
  endif()
endif()
