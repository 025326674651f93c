# What an installed Tarn consists of, under the usual prefixes (GNUInstallDirs):
#   bin/tarn, bin/tarnctl
#   share/applications/tarn.desktop, share/icons/hicolor/{16x16,32x32}/apps/tarn.png
#   share/tarn/tarn.hlp          the operator's help (the viewer looks there when no tarn.hlp
#                                stands beside the executable, as it does in the build tree)
#   share/man/man1/tarn.1.gz, tarnctl.1.gz
#   share/bash-completion/completions/tarnctl
#                                where bash-completion loads it from on demand (Debian's path)
#   share/doc/tarn/copyright, changelog.gz
include(GNUInstallDirs)
find_program(TARN_GZIP gzip REQUIRED)

install(TARGETS tarn tarnctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/res/tarn.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32)
    install(FILES ${PROJECT_SOURCE_DIR}/res/tarn${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME tarn.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/help/tarn.hlp DESTINATION ${CMAKE_INSTALL_DATADIR}/tarn)
install(FILES ${PROJECT_BINARY_DIR}/man/tarn.1.gz ${PROJECT_BINARY_DIR}/man/tarnctl.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/completion/tarnctl
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The package's own documents: the copyright file (from the version block's notice) and the
# changelog, whose latest entry must be for this version.
string(REGEX REPLACE "^Copyright \\(C\\) " "" TARN_COPYRIGHT_HOLDER "${TARN_COPYRIGHT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in
    ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog _tarn_changelog_top LIMIT_COUNT 1)
if(NOT _tarn_changelog_top MATCHES "^tarn \\(${TARN_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: its first entry is '${_tarn_changelog_top}', but "
        "the version is ${TARN_VERSION}: add an entry for it")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${TARN_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging
    COMMENT "Compressing the changelog")
add_custom_target(tarn_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright
    ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarn)
