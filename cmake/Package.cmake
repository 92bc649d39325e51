# `make deb`: a Debian package of what cmake/Install.cmake installs, under
# /usr, named speckwash_VERSION_ARCH.deb. Its dependencies are worked out
# from the executables by dpkg-shlibdeps, and its version is the project's,
# the same number the version resource carries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME speckwash)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmark Inc.")
set(CPACK_PACKAGE_CONTACT "Quillmark Inc. <speckwash@quillmark.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dust and scratch remover for scanned photographs")
# The extended description; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Speckwash finds the dark and bright specks, hairs and scratches that
scanning leaves on prints, negatives and slides, and corrects them from the
untouched picture under a few controls; a brush touches up what remains.
It reads BMP, TIFF, JPEG, PNG, GIF, Photoshop, PGM/PPM and raw scan files
and saves in the source's depth with its EXIF block.
.
The package holds the desktop program and speckwash-cli, which cleans
single files or whole archives without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.quillmark.com/speckwash/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
