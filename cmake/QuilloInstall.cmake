# cmake --install: the program in bin/, its private libraries and helpers in
# one folder it finds through a run path relative to itself, the read-only
# files under share/quillo, and the desktop integration (entry, icons,
# AppStream metainfo, man page). The user's own files are made per user at
# the first start, never installed.
#
# Two components, a Debian package each (QuilloPackage.cmake): "runtime",
# the program and what it runs with; "development", the headers, the CMake
# package, the link names and the harness library Provella.
include(CMakePackageConfigHelpers)

set(QUILLO_APP_ID org.quillo.Quillo)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

# Everything the install rules take, so that an installation or a package
# needs no more of the build than that.
add_custom_target(quillo_installable)
add_dependencies(quillo_installable quillo keybhook evdevhook qkuicontrols provella
    program_folder install_files quillo_wav)

# The program finds its libraries beside itself in the build tree and in the
# private folder once installed. CMake would pad the build tree's run path
# with empty entries to make room for the installed one, and the loader reads
# an empty entry as the current folder: the program is linked with its
# installed run path instead, narrowed to $ORIGIN at once in the build tree
# and widened back when installed.
set(QUILLO_INSTALL_RUN_PATH "$ORIGIN/${QUILLO_RELATIVE_LIBDIR}")
set_target_properties(quillo PROPERTIES INSTALL_RPATH "${QUILLO_INSTALL_RUN_PATH}")
set(QUILLO_EDIT_RUN_PATH OFF)
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND NOT CMAKE_SKIP_RPATH)
  set(QUILLO_EDIT_RUN_PATH ON)
  set_target_properties(quillo PROPERTIES
      BUILD_WITH_INSTALL_RPATH ON
      CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-DQUILLO_BUILD_RUN_PATH=$ORIGIN;-P;${PROJECT_SOURCE_DIR}/cmake/QuilloLinkRunPath.cmake;--")
endif()
install(TARGETS quillo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(QUILLO_EDIT_RUN_PATH)
  install(CODE "file(RPATH_SET FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillo\"
      NEW_RPATH \"\\${QUILLO_INSTALL_RUN_PATH}\")")
endif()
# Loaded at run time from the private folder.
install(TARGETS keybhook LIBRARY DESTINATION ${QUILLO_INSTALL_PRIVATE_LIBDIR})
install(TARGETS evdevhook LIBRARY DESTINATION ${QUILLO_INSTALL_PRIVATE_LIBDIR})

# Write access to /dev/uinput for the virtual keyboard of Wayland sessions:
# the rule where udev reads it (a package under /usr), and a copy in the
# shared folder that the permission message tells how to install by hand.
set(QUILLO_INSTALL_UDEVRULESDIR "lib/udev/rules.d" CACHE STRING
    "Where udev reads rules, relative to the prefix")
install(FILES ${PROJECT_SOURCE_DIR}/assets/60-quillo-uinput.rules DESTINATION ${QUILLO_INSTALL_UDEVRULESDIR})
install(FILES ${PROJECT_SOURCE_DIR}/assets/60-quillo-uinput.rules DESTINATION ${QUILLO_INSTALL_DATADIR})

# The two libraries other programs may build on carry their version: the
# ABI may change with the minor version (the package config's
# SameMinorVersion), so the SONAME holds major.minor. The program needs
# QKUIControls; Provella and the link names are for building only.
set_target_properties(qkuicontrols provella PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
install(TARGETS qkuicontrols EXPORT QuilloTargets
    LIBRARY DESTINATION ${QUILLO_INSTALL_PRIVATE_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillo)
install(TARGETS provella EXPORT QuilloTargets
    LIBRARY DESTINATION ${QUILLO_INSTALL_PRIVATE_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/controls/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillo/controls
    COMPONENT development FILES_MATCHING PATTERN "*.h" PATTERN gallery EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/harness/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillo/harness
    COMPONENT development FILES_MATCHING PATTERN "*.h" PATTERN demo EXCLUDE)
set(QUILLO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillo)
install(EXPORT QuilloTargets NAMESPACE Quillo:: DESTINATION ${QUILLO_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuilloConfig.cmake.in
    ${PROJECT_BINARY_DIR}/cmake/QuilloConfig.cmake
    INSTALL_DESTINATION ${QUILLO_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/QuilloConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/QuilloConfig.cmake ${PROJECT_BINARY_DIR}/cmake/QuilloConfigVersion.cmake
    DESTINATION ${QUILLO_CMAKE_DIR} COMPONENT development)

# Read-only program files; the defaults are what a new user's folder starts from.
install(DIRECTORY ${QUILLO_PROGRAM_DIR}/wav ${PROJECT_SOURCE_DIR}/assets/help
    DESTINATION ${QUILLO_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/assets/settings.ini DESTINATION ${QUILLO_INSTALL_DATADIR})
install(FILES ${QUILLO_SAMPLE_DATABASE} DESTINATION ${QUILLO_INSTALL_DATADIR} RENAME snippets.mdb)

# Desktop integration.
install(FILES ${PROJECT_SOURCE_DIR}/assets/${QUILLO_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/${QUILLO_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/${QUILLO_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${QUILLO_ICON_SIZES})
  install(FILES ${QUILLO_ICON_DIR}/${size}x${size}/apps/${QUILLO_APP_ID}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${QUILLO_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The lintian tags the package is known to raise, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/assets/debian/quillo.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quillo)
# Each package carries its copyright and changelog.
install(FILES ${PROJECT_SOURCE_DIR}/assets/copyright ${QUILLO_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillo)
install(FILES ${PROJECT_SOURCE_DIR}/assets/copyright ${QUILLO_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillo-dev COMPONENT development)
include(${PROJECT_SOURCE_DIR}/cmake/QuilloPackage.cmake)
