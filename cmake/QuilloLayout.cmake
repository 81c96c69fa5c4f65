# Where an installation puts each part. Every folder is relative to the
# prefix, and the program finds its parts from its own folder, so an
# installed tree runs wherever it is copied.
include(GNUInstallDirs)

set(QUILLO_INSTALL_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/quillo" CACHE STRING
    "The private libraries and helper programs, relative to the prefix")
set(QUILLO_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/quillo" CACHE STRING
    "The read-only program files (sounds, help, defaults), relative to the prefix")

foreach(dir CMAKE_INSTALL_BINDIR QUILLO_INSTALL_PRIVATE_LIBDIR QUILLO_INSTALL_DATADIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} (${${dir}}) must be relative to the prefix")
  endif()
endforeach()
file(RELATIVE_PATH QUILLO_RELATIVE_LIBDIR "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${QUILLO_INSTALL_PRIVATE_LIBDIR}")
file(RELATIVE_PATH QUILLO_RELATIVE_DATADIR "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${QUILLO_INSTALL_DATADIR}")

# The build tree's run paths are relative too: a copied bin/ folder runs.
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
