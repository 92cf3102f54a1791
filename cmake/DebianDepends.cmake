# Run by cpack on the staged package tree (CPACK_PRE_BUILD_SCRIPTS): adds to
# CPACK_DEBIAN_PACKAGE_DEPENDS what dpkg-shlibdeps finds the package's ELF
# files need, as CPack's CPACK_DEBIAN_PACKAGE_SHLIBDEPS would, without the
# ldconfig scripts that come with it (see Install.cmake).
find_program(SHLIBDEPS dpkg-shlibdeps REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(elf)
foreach(file IN LISTS staged)
  if(NOT IS_SYMLINK "${file}")
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      list(APPEND elf "${file}")
    endif()
  endif()
endforeach()
if(NOT elf)
  message(FATAL_ERROR "no ELF files staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
# dpkg-shlibdeps wants a debian/control where it runs; not in the staged tree,
# which would then ship it.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(REMOVE_RECURSE "${work}")
file(WRITE "${work}/debian/control" "")
# It knows a file's place in the package (and whether it lies in a public
# library folder) by the DEBIAN folder at the package's root, which CPack
# makes only later; without one it warns about every file. Made for the run
# only, so the package does not carry it.
set(root_marker "${CPACK_TEMPORARY_DIRECTORY}/DEBIAN")
file(MAKE_DIRECTORY "${root_marker}")
execute_process(COMMAND ${SHLIBDEPS} -O ${elf} WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE substvars
                RESULT_VARIABLE status)
file(REMOVE_RECURSE "${work}" "${root_marker}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-shlibdeps failed (${status})")
endif()
if(NOT substvars MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps named no dependencies: ${substvars}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${CMAKE_MATCH_1}")
