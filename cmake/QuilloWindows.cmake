# The Windows program folder and installation.
#
# The build's program folder (bin/) runs as it is under wine or Windows: the
# Qt libraries, the "windows" platform plugin and the compiler's runtime are
# copied beside the executable. `cmake --install` lays out what the installer
# and the zip carry: Quillo.exe and its libraries in one folder, the read-only
# files in share\ (the defaults a new user's %APPDATA%\Quillo starts from).

get_target_property(QUILLO_QT_CORE_DLL Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(QUILLO_QT_BIN_DIR "${QUILLO_QT_CORE_DLL}" DIRECTORY)
get_filename_component(QUILLO_QT_PREFIX "${QUILLO_QT_BIN_DIR}" DIRECTORY)
set(QUILLO_QT_DLLS Core Gui Widgets Network PrintSupport Test)
list(TRANSFORM QUILLO_QT_DLLS PREPEND ${QUILLO_QT_BIN_DIR}/Qt6)
list(TRANSFORM QUILLO_QT_DLLS APPEND .dll)
# The desktop's plugin, the one the command line draws printed lists with
# (Windows' fonts, no window), and the tests' offscreen one.
set(QUILLO_QT_PLATFORM_PLUGIN ${QUILLO_QT_PREFIX}/plugins/platforms/qwindows.dll
    ${QUILLO_QT_PREFIX}/plugins/platforms/qminimal.dll ${QUILLO_QT_PREFIX}/plugins/platforms/qoffscreen.dll)
# Windows' own look for the controls Qt draws.
set(QUILLO_QT_STYLE_PLUGIN ${QUILLO_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll)

# The compiler's runtime libraries, where the compiler itself finds them.
set(QUILLO_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "The compiler's runtime library ${dll} was not found")
  endif()
  list(APPEND QUILLO_MINGW_RUNTIME ${found})
endforeach()

add_custom_target(windows_runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLO_PROGRAM_DIR}/platforms ${QUILLO_PROGRAM_DIR}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILLO_QT_DLLS} ${QUILLO_MINGW_RUNTIME} ${QUILLO_PROGRAM_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILLO_QT_PLATFORM_PLUGIN} ${QUILLO_PROGRAM_DIR}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILLO_QT_STYLE_PLUGIN} ${QUILLO_PROGRAM_DIR}/styles
    # Tests find the plugins beside themselves, the libraries through WINEPATH.
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILLO_QT_PLATFORM_PLUGIN} ${CMAKE_BINARY_DIR}/tests/platforms
    COMMENT "Copying the Qt and compiler runtime beside the program"
    VERBATIM)
# Tests started under wine (ctest's emulator) find the program's libraries
# and Qt's through wine's search path.
set(QUILLO_WINE_TEST_ENVIRONMENT "WINEPATH=Z:${QUILLO_PROGRAM_DIR}" "WINEDEBUG=-all")

install(TARGETS quillo keybhook qkuicontrols RUNTIME DESTINATION . LIBRARY DESTINATION .)
install(FILES ${QUILLO_QT_DLLS} ${QUILLO_MINGW_RUNTIME} DESTINATION .)
install(FILES ${QUILLO_QT_PLATFORM_PLUGIN} DESTINATION platforms)
install(FILES ${QUILLO_QT_STYLE_PLUGIN} DESTINATION styles)
install(DIRECTORY ${QUILLO_PROGRAM_DIR}/wav ${PROJECT_SOURCE_DIR}/assets/help DESTINATION share)
install(FILES ${PROJECT_SOURCE_DIR}/assets/settings.ini DESTINATION share)
install(FILES ${QUILLO_SAMPLE_DATABASE} DESTINATION share RENAME snippets.mdb)
install(FILES ${PROJECT_SOURCE_DIR}/assets/copyright DESTINATION . RENAME COPYRIGHT.txt)
