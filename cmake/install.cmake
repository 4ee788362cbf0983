# Installation and the Debian package. `make install` (cmake --install)
# puts the three programs in bin/, their manual pages in man1/ and the
# documentation in share/doc/vorn; vorn and vornc find vrun beside
# themselves. Every installed file is listed in install_manifest.txt,
# which uninstall.cmake reads back. `make package` builds a .deb of the
# same files under /usr.
include(GNUInstallDirs)

# One component, so that the installation test can install it with a
# manifest of its own (install_manifest_vorn.txt) and leave the one of a
# real `make install` alone.
install(TARGETS vrun vornc vorn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT vorn)
install(FILES man/vorn.1 man/vornc.1 man/vrun.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT vorn)
install(FILES README.md docs/language.md docs/tools.md docs/builtins.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT vorn)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VENDOR "the vorn project")
set(CPACK_PACKAGE_CONTACT "vorn maintainers <vorn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "run-time, compiler and awk-like driver for compiled AWK programs")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
# The dependencies are read off the programs' shared libraries when
# dpkg-shlibdeps (dpkg-dev) is there; otherwise they are the Debian 12 names.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1, libffi8, libncurses6, libtinfo6")
endif()
include(CPack)
