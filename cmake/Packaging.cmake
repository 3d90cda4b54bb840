# Installation and the Debian package: the programs, the menu entry, the icon, the bash
# completion of tessaroctl, the Wireshark dissector and the Ansible collection.
include(GNUInstallDirs)

install(TARGETS tessaro tessaroctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessaroctl.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tessaroctl)
if(TARGET reader-sim)
    install(TARGETS reader-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/sim/reader-sim.example.json
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaro/examples)
endif()
# The Wireshark dissector: a user enables it by copying it to their Lua plugin folder.
install(FILES ${PROJECT_SOURCE_DIR}/contrib/wireshark/tessaro.lua
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaro/wireshark)
# The Ansible collection, where ansible-core looks for collections without configuration.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/contrib/ansible_collections/tessaro/readers
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/tessaro
        PATTERN tests EXCLUDE PATTERN __pycache__ EXCLUDE PATTERN .gitignore EXCLUDE
        PATTERN LICENSE EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/contrib/ansible-example/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaro/examples/ansible)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessaro.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/tessaro.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

# Manual pages and the changelog are installed compressed, as Debian expects; -n keeps the
# archives reproducible.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(packaging_gz)
foreach(page tessaro.1 tessaroctl.1 reader-sim.1 changelog)
    set(gz ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/${page} > ${gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${page} VERBATIM)
    list(APPEND packaging_gz ${gz})
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${packaging_gz})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tessaro.1.gz ${CMAKE_BINARY_DIR}/packaging/tessaroctl.1.gz
              ${CMAKE_BINARY_DIR}/packaging/reader-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of the extended description stay within 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessaro changes the settings of access-control card and QR code readers
over a serial line and lists the readers that announce themselves on the
local network. tessaroctl does the same from a shell, for one reader or a
whole fleet, and proves by reading each reader back that its settings took.
reader-sim plays such a reader on a pseudo-terminal and on UDP, for trying
Tessaro without one.")
set(CPACK_PACKAGE_CONTACT "Tessaro developers <tessaro@example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Ansible collection is used only where Ansible runs.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ansible-core)
# The runtime dependencies (the Qt libraries and what they need) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Velmora is a Windows program: it does not belong in this package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
