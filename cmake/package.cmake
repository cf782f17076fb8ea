# The Debian package: `cpack -G DEB` in the build folder writes tarnwick_<version>_<arch>.deb
# with its dependencies computed from the binaries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The tarnwick project")
set(CPACK_PACKAGE_CONTACT "The tarnwick project <tarnwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running audiovisual presentation drawn in software")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tarnwick)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A night by cold water with one warm light: eleven scenes over 177 seconds,\n\
every pixel drawn in software into a 320x240 frame and driven by sync\n\
commands in its own tracker soundtrack. It plays full screen or in a window,\n\
can start at any scene and loop, and renders frames or a video offline.")
include(CPack)
