# Installation layout and the Debian package (scripts/package): the programs, a desktop entry, the
# icon in the hicolor theme at the usual sizes, AppStream metadata, manual pages and the Debian
# copyright and changelog. Dependencies are computed by dpkg-shlibdeps, not listed by hand.
include(GNUInstallDirs)

set(QUORVANE_APP_ID org.quorvane.Quorvane)
set(QUORVANE_PACKAGE_FILES ${CMAKE_CURRENT_BINARY_DIR}/package-files)

install(TARGETS quorvane quorvane-sim quorvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${QUORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${QUORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES assets/icons/app.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QUORVANE_APP_ID}.svg)

# Fixed-size icons, rendered from the SVG at build time by a small Qt tool.
add_executable(render_icon tools/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)
quorvane_warnings(render_icon)
set(icon_outputs)
foreach(size 16 24 32 48 64 128 256)
    set(png ${QUORVANE_PACKAGE_FILES}/icons/${size}/${QUORVANE_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_PACKAGE_FILES}/icons/${size}
        COMMAND render_icon ${CMAKE_CURRENT_SOURCE_DIR}/assets/icons/app.svg ${png} ${size}
        DEPENDS render_icon ${CMAKE_CURRENT_SOURCE_DIR}/assets/icons/app.svg
        VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog go in compressed, as Debian expects (-n: no name or time stamp,
# so the same sources give the same package).
find_program(GZIP gzip REQUIRED)
set(gz_outputs)
foreach(page quorvane.1 quorvane-sim.1 quorvane-cli.1)
    set(gz ${QUORVANE_PACKAGE_FILES}/man/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_PACKAGE_FILES}/man
        COMMAND ${GZIP} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/packaging/man/${page} > ${gz}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/man/${page})
    list(APPEND gz_outputs ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(changelog_gz ${QUORVANE_PACKAGE_FILES}/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_PACKAGE_FILES}
    COMMAND ${GZIP} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog)
list(APPEND gz_outputs ${changelog_gz})
add_custom_target(package_files ALL DEPENDS ${icon_outputs} ${gz_outputs})
install(FILES ${changelog_gz} packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for an 8x8 HDMI matrix switcher")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane controls an 8-input, 8-output HDMI matrix switcher over a serial\n"
    "port or TCP: routing, EDID management, device information and switches,\n"
    "network discovery and address setting, firmware upgrade and firmware\n"
    "merging. quorvane-cli runs the same commands from scripts, and\n"
    "quorvane-sim, a simulated matrix that speaks the same protocol, is included.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-svg-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
