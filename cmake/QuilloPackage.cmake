# cpack -G DEB: a Debian package of what cmake --install puts in place,
# installed under /usr, its dependencies found from the shared libraries.
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VENDOR "The Quillo developers")
set(CPACK_PACKAGE_CONTACT "The Quillo developers <quillo@quillo.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text expander for the desktop")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private libraries are the package's own, found through the run path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/quillo-${PROJECT_VERSION}-Linux/usr/${QUILLO_INSTALL_PRIVATE_LIBDIR})
# The extended description under the summary line; CPack indents it and
# writes the empty lines as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillo lives in the tray and watches what you type in any application.
When you type one of your abbreviations followed by Space, Tab or Enter,
it replaces the abbreviation with the snippet's text, with date and time
placeholders filled in.

A settings window keeps, searches and sorts the snippets; snippet files
move them between computers, and the list can be printed. A list of the
matching snippets shows beside the text caret while you type.

The package also holds the skinned control library QKUIControls and the
test-harness library Provella, with headers and a CMake package config.")
# The uinput rule applies at once, not only after the next boot.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/assets/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
