# Installed layout: the program keeps everything it loads beside itself, so it
# gets a directory of its own; the command on PATH is a link to it. That
# directory is not writable for a user, so Korvex.ini then lives in the user's
# configuration directory.
#
#   bin/korvexconfig -> ../lib/korvexconfig/KORVEXConfig
#   bin/korvexctl    -> ../lib/korvexconfig/korvexctl
#   lib/korvexconfig/  KORVEXConfig, korvexctl, korvex-sim, and (from icons/, help/)
#                      the status pictures and help pages
#   share/man/man1/korvexctl.1.gz
#   share/applications, share/metainfo, share/icons/hicolor   (desktop/)
install(TARGETS KORVEXConfig korvexctl korvex-sim RUNTIME DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
install(TARGETS korvexprint LIBRARY DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
# Tells the program it is installed: its settings then always go to the
# user's configuration directory, even for root, who could write here.
file(WRITE ${CMAKE_BINARY_DIR}/install-marker/INSTALLED
     "KORVEXConfig keeps its settings in ~/.config/KORVEXConfig/, never here.\n")
install(FILES ${CMAKE_BINARY_DIR}/install-marker/INSTALLED DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
# Relative links, so the tree can be staged anywhere (DESTDIR, packages).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
foreach(pair "${KORVEX_COMMAND_NAME}:KORVEXConfig" "korvexctl:korvexctl")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 command)
  list(GET pair 1 program)
  file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${KORVEX_INSTALL_PROGRAM_DIR}/${program})
  file(CREATE_LINK ${target} ${CMAKE_BINARY_DIR}/install-link/${command} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install-link/${command} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
# The manual page, compressed as Debian keeps them.
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/korvexctl.1.gz
                   COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/korvexctl/korvexctl.1 > ${CMAKE_BINARY_DIR}/korvexctl.1.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/korvexctl/korvexctl.1 VERBATIM)
add_custom_target(korvex_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/korvexctl.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/korvexctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian package: script/package. Run-time dependencies come from
# dpkg-shlibdeps, not from a hand-kept list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvexconfig)
set(CPACK_PACKAGE_VERSION ${KORVEX_VERSION})
set(CPACK_PACKAGE_VENDOR "The KORVEXConfig developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure the key overrides of a KORVEX keyboard-to-RS232 device")
set(CPACK_PACKAGE_DESCRIPTION
    "KORVEXConfig assigns keys and output strings to the sixteen override rows of a KORVEX, reads, sends\n\
and verifies them over a serial port, and keeps them in .cfg files.")
set(CPACK_PACKAGE_CONTACT "KORVEXConfig developers <korvexconfig@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins Qt loads at run time, which no library dependency names: the xcb
# platform for a desktop session, and the GIF reader for the status pictures
# (part of libqt6gui6).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
