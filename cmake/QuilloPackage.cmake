# cpack -G DEB: two Debian packages of what cmake --install puts in place,
# installed under /usr, their dependencies found from the shared libraries:
# quillo (the "runtime" component) and quillo-dev (the "development" one).
# ./dev.sh package configures a tree of its own for them: prefix /usr, so
# that the private folder is the multiarch one, and Debian's hardening flags.
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VENDOR "The Quillo developers")
set(CPACK_PACKAGE_CONTACT "The Quillo developers <quillo@quillo.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Stripping keeps the compiler's notes; Debian's packages drop them.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuilloPackageStrip.cmake)
set(CPACK_QUILLO_OBJCOPY ${CMAKE_OBJCOPY})

set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The private libraries are the package's own, found through the run path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/quillo-${PROJECT_VERSION}-Linux/runtime/usr/${QUILLO_INSTALL_PRIVATE_LIBDIR})

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quillo)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
# The extended description under the summary line; CPack indents it and
# writes the empty lines as " .".
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "text expander for the desktop
Quillo lives in the tray and watches what you type in any application.
When you type one of your abbreviations followed by Space, Tab or Enter,
it replaces the abbreviation with the snippet's text, with date and time
placeholders filled in.

A settings window keeps, searches and sorts the snippets; snippet files
move them between computers, and the list can be printed. A list of the
matching snippets shows beside the text caret while you type.")
# The uinput rule applies at once when installed and stops applying when
# removed, not only after the next boot. Scripts of our own also keep CPack
# from adding ldconfig calls: the libraries are in a private folder.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/assets/debian/postinst ${PROJECT_SOURCE_DIR}/assets/debian/postrm)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME quillo-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The link names point into the program's own libraries, of this version
# exactly; the package config finds Qt's development files.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "quillo (= ${PROJECT_VERSION}), qt6-base-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "text expander for the desktop - development files
The skinned control library QKUIControls that Quillo's windows are made
of, and the test-harness library Provella, for other programs to build
on: their headers, link names and a CMake package config
(find_package(Quillo), targets Quillo::qkuicontrols and Quillo::provella).
QKUIControls itself comes with the quillo package.")
include(CPack)
