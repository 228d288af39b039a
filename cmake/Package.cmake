# The Debian package: `cpack -G DEB` in a build folder makes kalderino_VERSION_ARCH.deb from what
# `cmake --install` installs there: the programs that were built, their manual pages and the
# documentation. Its dependencies are worked out from the programs' shared libraries by
# dpkg-shlibdeps (Debian's dpkg-dev).

# Debian's changelog of a native package, compressed as policy asks.
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9 --no-name --to-stdout ${PROJECT_SOURCE_DIR}/docs/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalderino)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kalderino developers")
set(CPACK_PACKAGE_CONTACT "The Kalderino developers <kalderino@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-driven OpenGL viewer for triangle meshes")
set(CPACK_PACKAGE_DESCRIPTION
    "Kalderino reads a text file of named triangle meshes, computes a normal for
every triangle and a smoothed normal for every point, and draws every mesh
lit in a window, with keys to turn and move the model and to switch
wire-frame, shading, back-face culling, projection and full screen. It opens
files of millions of triangles in about a second, and a malformed file gets
a one-line message naming the file and line.
.
kalderino-import converts OBJ, PLY, STL, OFF, glTF and other model files
into the viewer's data file; kalderino-shot draws a data file to PNG with no
display.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
