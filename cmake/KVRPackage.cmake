# cpack -G DEB (from the build directory) builds kvrexportcreator9_<version>_<arch>.deb with
# everything that cmake --install puts under the prefix. Its dependencies: the shared
# libraries the binaries link (dpkg-shlibdeps: libc, libstdc++, libfbclient2, ...) and the
# embedded Firebird engine, which libfbclient loads at run time and dpkg-shlibdeps cannot see.
set(CPACK_PACKAGE_NAME "kvrexportcreator9")
set(CPACK_PACKAGE_VENDOR "KVRExportCreator9 developers")
set(CPACK_PACKAGE_CONTACT "KVRExportCreator9 developers <kvr@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${CPACK_PACKAGE_NAME}")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_GENERATOR "DEB")
# A Debian package installs under /usr whatever prefix the build was configured with; the
# installed tree is relocatable (relative RUNPATHs, pkg-config paths from the .pc file).
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libfbclient2 comes from dpkg-shlibdeps (the helper links it).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "firebird3.0-server-core (>= 3.0)")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-utils")
# The first line of the description is the summary above; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "libKVRExportCreator9.so is loaded by the station's host program; it reads the
station's Firebird database and writes each export as a dBase (DBF) file.
The package holds the library, its database helper libCorvane.so, the
command-line host kvrhost, the C header and the pkg-config and CMake files.")
set(CPACK_STRIP_FILES ON)
include(CPack)
