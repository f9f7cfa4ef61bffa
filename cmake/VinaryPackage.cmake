# The Debian package: cpack -G DEB in a build directory (a Release build for shipping). It installs
# under /usr; its library dependencies come from dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME vinary)
set(CPACK_PACKAGE_VENDOR "Vinary maintainers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps the stock of a wine cellar")
# Lines of at most 79 characters, as Debian wants them.
set(CPACK_PACKAGE_DESCRIPTION
    "Vinary keeps the stock of a wine cellar, for a private collector, a wine
shop or a restaurant: one card per wine, loads and unloads of bottles with a
journal of every movement, and printed reports with layouts the user can edit.
It speaks English, Italian, German, French and Spanish. vinary-print prints a
report of the cellar to a file without a window.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The menu entry is written at install time from the prefix: installed with DESTDIR, so that the
# prefix it names is /usr and not CPack's staging directory.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vinary maintainers <maintainers@users.noreply.c-seed-88db5b94.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, so dpkg-shlibdeps cannot see them: the window system's platform plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
if(VINARY_HOME_URL)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VINARY_HOME_URL})
endif()
include(CPack)
