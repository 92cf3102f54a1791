# korvex_windows_program(<target> <description>)
# Gives a Windows program the application icon and a version resource, so
# Explorer, the taskbar and the Start menu show them.
function(korvex_windows_program target description)
  string(REPLACE "." ";" parts ${KORVEX_VERSION})
  list(GET parts 0 KORVEX_VERSION_MAJOR)
  list(GET parts 1 KORVEX_VERSION_MINOR)
  math(EXPR KORVEX_VERSION_MINOR "${KORVEX_VERSION_MINOR}") # 07 -> 7
  set(KORVEX_WINDOWS_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/KORVEXConfig.ico)
  set(KORVEX_FILE_DESCRIPTION ${description})
  get_target_property(KORVEX_FILE_NAME ${target} OUTPUT_NAME)
  if(NOT KORVEX_FILE_NAME)
    set(KORVEX_FILE_NAME ${target})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/KORVEXConfig.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
