# Run by CPack before it packs: the desktop entry configured for the package's /usr/bin.
file(COPY_FILE "${CPACK_VELVETFADE_DESKTOP_ENTRY}"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share/applications/velvetfade.desktop")
