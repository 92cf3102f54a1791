# korvex_copy_beside_program(<target> <file>...)
# The program loads its status pictures and help pages from its own
# directory, so the build copies them there. <target> (built by default)
# copies each file from the calling directory, and again whenever it changes;
# an install puts them beside the installed program.
function(korvex_copy_beside_program target)
  set(copied)
  foreach(file IN LISTS ARGN)
    add_custom_command(
      OUTPUT ${KORVEX_PROGRAM_DIR}/${file}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVEX_PROGRAM_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${KORVEX_PROGRAM_DIR}/${file}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${file}
      COMMENT "Copying ${file} beside the program"
      VERBATIM)
    list(APPEND copied ${KORVEX_PROGRAM_DIR}/${file})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${copied})
  install(FILES ${ARGN} DESTINATION ${KORVEX_INSTALL_PROGRAM_DIR})
endfunction()
