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
install(FILES ${px_desktop}/pelmorix-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(PX_BUILD_TESTS)
  find_program(PX_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(PX_UPDATE_MIME_DATABASE update-mime-database)
  if(PX_DESKTOP_FILE_VALIDATE AND PX_UPDATE_MIME_DATABASE)
    add_test(NAME DesktopFiles.EntryAndFileTypesValidate
             COMMAND ${CMAKE_COMMAND} -DDESKTOP_DIR=${px_desktop} -DWORK_DIR=${CMAKE_BINARY_DIR}/desktop_check
                     -P ${CMAKE_SOURCE_DIR}/tests/package/desktop_files.cmake)
  endif()
endif()
