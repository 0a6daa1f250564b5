# `cpack -G DEB` in a build folder packages what `cmake --install` installs: the program, its
# engine helper, the menu entry, the icons, the AppStream metadata, the manual page, and the
# copyright file and changelog in share/doc/yorumi-livedoor. Build the release preset for a
# package to hand out: the debug preset links the sanitizer runtimes.
set(CPACK_PACKAGE_NAME yorumi-livedoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${YORUMI_COMPANY_NAME}")
# Who answers for the package: the project's packaging address, not a person.
set(CPACK_PACKAGE_CONTACT "Yorumi Software packaging <packaging@yorumi.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Switch between several livedoor accounts from the notification area")
# The extended description as Debian shows it: lines under 80 columns, kept as written.
set(CPACK_PACKAGE_DESCRIPTION [=[
A notification-area tool for a person who owns several livedoor accounts.
It keeps up to 100 IDs with their passwords and, from the menu of its icon,
logs in to the livedoor portal as one of them, logs out, or puts an
account's password on the clipboard.

The login happens in a hidden browser engine (Qt WebEngine, in a helper
process), and the portal's pages open in the program's own window as the
account last logged in. The settings window lists the IDs, never the
passwords, and adds, changes, deletes and reorders them. The program speaks
Japanese.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The shared libraries it links come from dpkg-shlibdeps (packages dpkg-dev and file).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Pages open through xdg-open; the captions are Japanese, and so are Qt's own dialogs with
# its translations; Wayland desktops need Qt's Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, xdg-utils, fonts-japanese-gothic")

include(CPack)
