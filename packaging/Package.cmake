# cpack -G DEB: velkaro_1.24-1_amd64.deb from the install rules. Library
# dependencies come from dpkg-shlibdeps, not from a hand-written list; data
# packages the program reads are named below.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velkaro)
set(CPACK_PACKAGE_CONTACT "Velkaro <destek@velkaro.net>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs and buttons in Turkish: the toolkit's catalogue is a data
# file, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://www.velkaro.net/)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "film subtitle search over several subtitle sites at once
Velkaro finds subtitles for a film. It asks up to five subtitle sites at
the same time (DivxForever, ExtraTitles, Podnapisi, DivxSubtitles and
SubDb), keeps every subtitle that passes the CD, frame-rate and format
filters in one list, and downloads the one you pick.
.
The package holds the window (velkaro, Turkish user interface), the
command-line front end velkaro-cli, and velkaro-sitesim, a stand-in for the
subtitle sites to try the program offline.")

include(CPack)
