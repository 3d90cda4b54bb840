# Installation and the Debian package: the two programs, the menu entry and the icon.
include(GNUInstallDirs)

install(TARGETS tessaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET reader-sim)
    install(TARGETS reader-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/sim/reader-sim.example.json
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaro/examples)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessaro.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/tessaro.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaro changes the settings of access-control card and QR code readers over a serial line \
and lists the readers that announce themselves on the local network. reader-sim plays such a \
reader on a pseudo-terminal and on UDP, for trying Tessaro without one.")
set(CPACK_PACKAGE_CONTACT "Tessaro developers <tessaro@example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The runtime dependencies (the Qt libraries and what they need) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Velmora is a Windows program: it does not belong in this package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
