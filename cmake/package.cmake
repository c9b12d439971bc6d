# Installation and the Debian package (bash scripts/package): the program and
# the two tools in bin/, a desktop entry that starts a launcher, the icon,
# AppStream metainfo, man pages and the demo start-up folder.
include(GNUInstallDirs)

# The package installs under /usr; the files that name installed paths (the
# desktop entry, the demo's modem engine line) are made for that prefix.
set(TARVEX_PACKAGE_PREFIX /usr)
set(TARVEX_MAINTAINER "Tarvex <support@tarvex.example>")
set(TARVEX_HOMEPAGE_URL "https://tarvex.example/" CACHE STRING "Home page named in the package")
set(TARVEX_SCREENSHOT_URL "https://tarvex.example/screenshots/main-window.png"
    CACHE STRING "Where the published copy of docs/main-window.png lives (AppStream needs a web address)")

set(pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(pkg_share ${CMAKE_INSTALL_DATADIR}/tarvex-programmer)
set(pkg_doc ${CMAKE_INSTALL_DATADIR}/doc/tarvex-programmer)

install(TARGETS tarvex-programmer tarvex-modem-engine tarvex-sms-bridge
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${pkg_src}/launch DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tarvex-programmer)

# The demo start-up folder, without what a demo session in the checkout may
# have left behind. Its modem engine line names the installed stand-in, so a
# copy of the folder works wherever it is put.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/ DESTINATION ${pkg_share}/demo
        PATTERN .gitattributes EXCLUDE PATTERN .keep EXCLUDE PATTERN setup.txt EXCLUDE
        PATTERN prpl.dat EXCLUDE PATTERN *.log EXCLUDE PATTERN *.tmp EXCLUDE
        REGEX "/(Outbox|Inbox)/.+" EXCLUDE)

install(FILES ${pkg_src}/com.tarvex.programmer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${pkg_src}/com.tarvex.programmer.metainfo.xml.in
               ${pkg_out}/com.tarvex.programmer.metainfo.xml @ONLY)
install(FILES ${pkg_out}/com.tarvex.programmer.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${pkg_src}/tarvex-programmer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${pkg_src}/copyright DESTINATION ${pkg_doc})

# Generated files: the demo's setup.txt, the PNG icons (when rsvg-convert is
# there; scripts/package installs it), the compressed man pages and changelog.
# Line 4 of setup.txt names the modem engine; its lines end in CR LF.
add_custom_command(OUTPUT ${pkg_out}/demo/setup.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/demo
  COMMAND sh -c "sed \"4s|^[^\\r]*|$2|\" \"$0\" > \"$1\""
          ${CMAKE_SOURCE_DIR}/demo/setup.txt ${pkg_out}/demo/setup.txt
          ${TARVEX_PACKAGE_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarvex-modem-engine
  DEPENDS ${CMAKE_SOURCE_DIR}/demo/setup.txt VERBATIM)
set(pkg_generated ${pkg_out}/demo/setup.txt)
install(FILES ${pkg_out}/demo/setup.txt DESTINATION ${pkg_share}/demo)

find_program(TARVEX_RSVG_CONVERT rsvg-convert)
if(TARVEX_RSVG_CONVERT)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${pkg_out}/icons/${size}/tarvex-programmer.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/icons/${size}
      COMMAND ${TARVEX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${pkg_src}/tarvex-programmer.svg
      DEPENDS ${pkg_src}/tarvex-programmer.svg VERBATIM)
    list(APPEND pkg_generated ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# gzip -n leaves the time out, so the package is the same from build to build.
foreach(page tarvex-programmer tarvex-modem-engine tarvex-sms-bridge)
  configure_file(${pkg_src}/man/${page}.1 ${pkg_out}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${pkg_out}/man/${page}.1.gz
    COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${pkg_out}/man/${page}.1 ${pkg_out}/man/${page}.1.gz
    DEPENDS ${pkg_out}/man/${page}.1 VERBATIM)
  list(APPEND pkg_generated ${pkg_out}/man/${page}.1.gz)
  install(FILES ${pkg_out}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${pkg_src}/changelog.in ${pkg_out}/changelog @ONLY)
add_custom_command(OUTPUT ${pkg_out}/changelog.gz
  COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${pkg_out}/changelog ${pkg_out}/changelog.gz
  DEPENDS ${pkg_out}/changelog VERBATIM)
list(APPEND pkg_generated ${pkg_out}/changelog.gz)
install(FILES ${pkg_out}/changelog.gz DESTINATION ${pkg_doc})
add_custom_target(package_files ALL DEPENDS ${pkg_generated})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex-programmer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TARVEX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program GSM alarm and remote-control units")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvex Programmer keeps one device file per GSM alarm or remote-control unit\n"
    "and programs the unit by SMS through a modem engine, by e-mail through an\n"
    "SMTP server, or through an EEPROM programmer on a serial port. It shows and\n"
    "searches the messages the units send back and keeps operator accounts with\n"
    "an event log. The package brings a stand-in modem engine and a bridge to\n"
    "gammu-smsd for a real GSM modem.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${TARVEX_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARVEX_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS gammu-smsd)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
