# A Debian package of everything `cmake --install` installs: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velvetfade)
set(CPACK_PACKAGE_VENDOR "Kelsa's Applications")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "screen saver that cross-fades between the screen and a scene")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Velvetfade takes a snapshot of the screen, then cross-fades endlessly from it
to a scene and back: a colour, a two-colour gradation, or a picture from your
list. It runs as an XScreenSaver display mode, full-screen on its own, or in a
window, and has its own settings window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELVETFADE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; Qt's X11 platform plugin is part of
# libqt6gui6 on Debian 12, so it comes with them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The host, more picture formats, Qt's own Japanese texts and a Japanese font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xscreensaver, qt6-image-formats-plugins, qt6-translations-l10n")
# On Wayland: starting it when the session is idle, and the settings on Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-ipafont-gothic, swayidle, qt6-wayland")
# The desktop entry names the program by its path in the package.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageDesktopEntry.cmake)
set(CPACK_VELVETFADE_DESKTOP_ENTRY ${CMAKE_BINARY_DIR}/res/package/velvetfade.desktop)
include(CPack)
