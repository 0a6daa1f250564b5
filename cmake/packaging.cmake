# `cpack -G DEB` in a build folder packages what `cmake --install` installs. Build the
# release preset for it: the debug preset links the sanitizer runtimes.
set(CPACK_PACKAGE_NAME yorumi-livedoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${YORUMI_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${YORUMI_COMPANY_NAME} <support@yorumi.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Switch between several livedoor accounts from the notification area")
set(CPACK_PACKAGE_DESCRIPTION "A notification-area tool for a person who owns several livedoor \
accounts: it keeps up to 100 IDs and passwords, logs in as one of them, logs out, copies a \
password to the clipboard and opens the portal's pages.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The shared libraries it links come from dpkg-shlibdeps (packages dpkg-dev and file).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Pages open through xdg-open; the captions are Japanese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-japanese-gothic")

include(CPack)
