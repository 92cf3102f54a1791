# Installed layout on Windows: one folder that runs from wherever it is put
# (the unpacked zip, or the folder under Program Files the installer makes).
# Windows finds DLLs beside the program and Qt finds its plugins in folders
# beside it, so everything the programs load at run time goes in here:
#
#   KORVEXConfig.exe, korvexctl.exe, korvexprint.dll
#   Qt6Core.dll ... Qt6PrintSupport.dll, and the MinGW run-time DLLs
#   platforms/qwindows.dll, styles/qwindowsvistastyle.dll, imageformats/qgif.dll
#   the status pictures and the help pages (from icons/, help/)
#
# The installer adds INSTALLED (component "installer"), which sends the
# settings to the user's AppData; the zip has no marker, so an unpacked copy
# keeps Korvex.ini beside itself while that folder is writable.

install(TARGETS KORVEXConfig korvexctl RUNTIME DESTINATION .)
install(TARGETS korvexprint LIBRARY DESTINATION .)

# The Qt libraries the programs and the print module link.
foreach(module Core Gui Widgets SerialPort PrintSupport)
  install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()

# Plugins Qt loads by name: the window system, the native style, and the GIF
# reader for the status pictures.
foreach(pair "QWindowsIntegrationPlugin:platforms" "QWindowsVistaStylePlugin:styles" "QGifPlugin:imageformats")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 plugin)
  list(GET pair 1 folder)
  if(NOT TARGET Qt6::${plugin})
    message(FATAL_ERROR "Qt for Windows has no ${plugin}; the program cannot run without it")
  endif()
  install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${folder})
endforeach()

# The compiler's own run-time DLLs, which every program and Qt DLL imports.
# The compiler knows where its copies are.
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  install(FILES ${found} DESTINATION .)
endforeach()

file(WRITE ${CMAKE_BINARY_DIR}/install-marker/INSTALLED
     "KORVEXConfig keeps its settings in %LOCALAPPDATA%\\KORVEXConfig\\, never here.\r\n")
install(FILES ${CMAKE_BINARY_DIR}/install-marker/INSTALLED DESTINATION . COMPONENT installer EXCLUDE_FROM_ALL)
