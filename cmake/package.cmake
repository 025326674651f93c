# The Debian package, made by CPack's DEB generator from the install rules (cmake/install.cmake):
# scripts/package builds it (cmake --preset package, cpack --preset package) as
# build/package/tarn_<version>_<arch>.deb. The version is the version block's.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarn)
set(CPACK_PACKAGE_VERSION ${TARN_VERSION})
set(CPACK_PACKAGE_VENDOR "Mirelda")
set(CPACK_PACKAGE_CONTACT "Tarn Project <tarn@mirelda.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for Pelco D pan-tilt-zoom cameras")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarn, ${TARN_PRODUCT_LINE}, is a desktop control panel with which an
operator drives a pan-tilt-zoom camera or speed dome over a serial line
(RS-232, or RS-485 through a USB adapter) in the Pelco D protocol: pick a
port and a baud rate, type the camera's address, and hold a button to zoom,
focus, pan or tilt; letting go stops the camera. Presets can be recalled and
stored.
.
The package also holds tarnctl, a command-line companion that prints and
sends Pelco D frames, lists the serial ports, runs a virtual camera on a
pseudo-terminal and prints the frames it hears on a line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps. Qt loads its platform plugin (xcb)
# at run time, which no linker dependency shows, and Qt's GUI library only recommends it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
