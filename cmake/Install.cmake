# Installed layout: the program keeps everything it loads beside itself, so it
# gets a directory of its own; the commands on PATH are links into it. That
# directory is not writable for a user, so Korvex.ini then lives in the user's
# configuration directory.
#
#   bin/korvexconfig -> ../lib/korvexconfig/KORVEXConfig
#   bin/korvexctl    -> ../lib/korvexconfig/korvexctl
#   bin/korvex-sim   -> ../lib/korvexconfig/korvex-sim
#   lib/korvexconfig/  KORVEXConfig, korvexctl, korvex-sim, the printing module
#                      korvexprint.so (loaded by the program, no library for
#                      others), and (from icons/, help/) the status pictures
#                      and help pages
#   share/man/man1/    korvexconfig.1.gz, korvexctl.1.gz, korvex-sim.1.gz
#   share/bash-completion/completions/korvexctl
#   share/doc/korvexconfig/  copyright (from LICENSE), changelog.Debian.gz
#   share/applications, share/metainfo, share/icons/hicolor,
#   share/mime/packages   (desktop/)
install(TARGETS KORVEXConfig korvexctl korvex-sim RUNTIME DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
install(TARGETS korvexprint LIBRARY DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
# Tells the program it is installed: its settings then always go to the
# user's configuration directory, even for root, who could write here.
file(WRITE ${CMAKE_BINARY_DIR}/install-marker/INSTALLED
     "KORVEXConfig keeps its settings in ~/.config/KORVEXConfig/, never here.\n")
install(FILES ${CMAKE_BINARY_DIR}/install-marker/INSTALLED DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
# Relative links, so the tree can be staged anywhere (DESTDIR, packages).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
foreach(pair "${KORVEX_COMMAND_NAME}:KORVEXConfig" "korvexctl:korvexctl" "korvex-sim:korvex-sim")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 command)
  list(GET pair 1 program)
  file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${KORVEX_INSTALL_PROGRAM_DIR}/${program})
  file(CREATE_LINK ${target} ${CMAKE_BINARY_DIR}/install-link/${command} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install-link/${command} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
# The manual pages, compressed as Debian keeps them.
find_program(GZIP gzip REQUIRED)
set(manpages)
foreach(page app/korvexconfig.1 korvexctl/korvexctl.1 sim/korvex-sim.1)
  get_filename_component(name ${page} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                     COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/${page} > ${CMAKE_BINARY_DIR}/man/${name}.gz
                     DEPENDS ${PROJECT_SOURCE_DIR}/${page} VERBATIM)
  list(APPEND manpages ${CMAKE_BINARY_DIR}/man/${name}.gz)
endforeach()
add_custom_target(korvex_manpages ALL DEPENDS ${manpages})
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion looks for a command's completion when it is first used.
install(FILES korvexctl/korvexctl.bash DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
        RENAME korvexctl)

# What the rules here install, built on its own: script/package builds this
# in the tree script/run and script/test build, so only what that tree lacks
# is compiled (a target left out here fails the install, it is never
# silently missing from the package).
add_custom_target(korvex_installed DEPENDS KORVEXConfig korvexctl korvex-sim korvexprint korvex_icons korvex_help
                                           korvex_manpages korvex_debian_doc)

# Who answers for the package: the developer name of the metainfo, with the
# project's address under its placeholder domain (see desktop/).
set(KORVEX_MAINTAINER "The KORVEXConfig developers <korvexconfig@example.org>")
set(KORVEX_DEBIAN_REVISION 1)
set(KORVEX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/korvexconfig)

# The machine-readable copyright file, made from LICENSE so the two never
# disagree.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.*)$")
  message(FATAL_ERROR "LICENSE is no longer the MIT licence text that cmake/Install.cmake turns into the copyright file")
endif()
set(copyright_holders ${CMAKE_MATCH_1})
string(STRIP "${CMAKE_MATCH_2}" license_text)
string(REGEX REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REGEX REPLACE "\n" "\n " license_text " ${license_text}")
file(WRITE ${CMAKE_BINARY_DIR}/debian-doc/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: KORVEXConfig\n"
     "Upstream-Contact: ${KORVEX_MAINTAINER}\n\n"
     "Files: *\n"
     "Copyright: ${copyright_holders}\n"
     "License: Expat\n"
     "${license_text}\n")

# The Debian changelog: one entry for the version, dated as the metainfo
# dates its release (which it must list).
file(STRINGS ${PROJECT_SOURCE_DIR}/desktop/org.korvexconfig.KORVEXConfig.metainfo.xml release
     REGEX "<release version=\"${KORVEX_VERSION}\" date=\"[0-9-]+\"")
if(NOT release MATCHES "date=\"([0-9-]+)\"")
  message(FATAL_ERROR "desktop/org.korvexconfig.KORVEXConfig.metainfo.xml lists no release ${KORVEX_VERSION}")
endif()
execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1} 12:00" OUTPUT_VARIABLE release_date
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian
     "korvexconfig (${KORVEX_VERSION}-${KORVEX_DEBIAN_REVISION}) unstable; urgency=medium\n\n"
     "  * KORVEXConfig ${KORVEX_VERSION}, packaged from the project's own tree.\n\n"
     " -- ${KORVEX_MAINTAINER}  ${release_date}\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian.gz
                   COMMAND ${GZIP} -9nkf ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian
                   DEPENDS ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian VERBATIM)
add_custom_target(korvex_debian_doc ALL DEPENDS ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian-doc/copyright ${CMAKE_BINARY_DIR}/debian-doc/changelog.Debian.gz
        DESTINATION ${KORVEX_DOC_DIR})

# Debian package: script/package. Run-time dependencies come from
# dpkg-shlibdeps, not from a hand-kept list (cmake/DebianDepends.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvexconfig)
set(CPACK_PACKAGE_VERSION ${KORVEX_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KORVEX_DEBIAN_REVISION})
set(CPACK_PACKAGE_VENDOR "The KORVEXConfig developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up the key overrides of a KORVEX keyboard-to-serial device")
set(CPACK_PACKAGE_DESCRIPTION
    "The KORVEX reads a PS/2 keyboard and can replace up to sixteen of its keys\n\
with output strings of up to six bytes, sent on its RS232 line. KORVEXConfig\n\
assigns keys and output strings to these sixteen rows, reads, sends and\n\
verifies them over a serial port, and keeps them in .cfg files. The package\n\
also holds korvexctl, which does the same from a shell for many devices at\n\
once, and korvex-sim, a simulated device for trying both without hardware.")
set(CPACK_PACKAGE_CONTACT ${KORVEX_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# CPack's own dpkg-shlibdeps run would also give the package postinst and
# postrm scripts that run ldconfig, because the printing module lies under
# usr/lib; it is no library for the dynamic linker, so the package needs no
# maintainer scripts. The same dependencies come from the pre-build script.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianDepends.cmake)
# Plugins Qt loads at run time, which no library dependency names: the xcb
# platform for a desktop session, and the GIF reader for the status pictures
# (part of libqt6gui6).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
