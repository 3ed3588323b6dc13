# SPDX-License-Identifier: MIT
# The Debian package: `make package` (or `cpack -G DEB` in a build folder)
# gives galerio_<version>_<arch>.deb. Its dependencies are read from the
# libraries the program links, so they match the machine it was built on.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME galerio)
set(CPACK_PACKAGE_VENDOR "Halvane Software")
set(CPACK_PACKAGE_CONTACT "Galerio maintainers <galerio@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Browse folders of photographs as thumbnails")
set(CPACK_PACKAGE_DESCRIPTION
    "Galerio opens a folder, finds its JPEG and BMP photographs and shows them as
thumbnails in a scrolling grid. From there it views them full size, plays
slide shows, deletes, moves or renames files, and writes thumbnail JPEG files
and a web page of them, also from the command line without a window.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/galerio/galerio")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt reads TIFF and WebP through plugins it loads at run time, which the
# libraries the program links cannot name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
# A font for the captions where the desktop has none, and xdg-open, through
# which the help page and Show Details open in the desktop's own programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")

# Debian keeps each package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/galerio
    RENAME copyright)

include(CPack)
