# Installing kestrel the way the system installs programs, and the Debian package CPack makes
# from that. The Windows installer is made by makensis from packaging/windows instead.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS kestrel RUNTIME DESTINATION .)
  return()
endif()

set(KESTREL_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
set(KESTREL_APPSTREAM_ID org.example.kestrel)

install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTREL_PACKAGING}/kestrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${KESTREL_PACKAGING}/kestrel.metainfo.xml
               ${KESTREL_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${KESTREL_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128)
  install(FILES ${CMAKE_SOURCE_DIR}/res/icons/${size}x${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME kestrel.png)
endforeach()
# The manual page and the changelog go compressed, as Debian installs them.
configure_file(${KESTREL_PACKAGING}/kestrel.1 kestrel.1 @ONLY)
configure_file(${KESTREL_PACKAGING}/changelog.Debian changelog.Debian @ONLY)
add_custom_command(OUTPUT kestrel.1.gz changelog.Debian.gz
  COMMAND gzip -9 -n -c kestrel.1 > kestrel.1.gz
  COMMAND gzip -9 -n -c changelog.Debian > changelog.Debian.gz
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/kestrel.1 ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian)
add_custom_target(kestrel_compressed_docs ALL DEPENDS kestrel.1.gz changelog.Debian.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kestrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTREL_PACKAGING}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kestrel developers <kestrel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network traffic graph and mail watcher for the tray")
# CPack puts the summary before it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "kestrel shows the live incoming and outgoing rate of a network interface as
a tiny graph, in a tray icon and in a small window that stays on top, and
watches up to three POP3 mailboxes: a second tray icon announces new mail,
and a list shows each new message's sender and subject.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # computed from the binary by dpkg-shlibdeps
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
set(CPACK_STRIP_FILES ON)
include(CPack)
