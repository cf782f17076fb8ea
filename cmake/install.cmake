# Install layout (GNU directories): the programs, the forged data set, manual pages, desktop
# entry, icons, AppStream metadata and the package documents.
include(GNUInstallDirs)

set(TW_DIST ${CMAKE_SOURCE_DIR}/dist)
set(TW_GEN ${CMAKE_BINARY_DIR}/dist)

# Manual pages and the changelog carry the version and are installed compressed
# (gzip -n: no name or time stamp, so the package is reproducible).
set(TW_GZIPPED)
foreach(doc tarnwick.6 tarnwick-inspect.1 changelog)
    configure_file(${TW_DIST}/${doc}.in ${TW_GEN}/${doc} @ONLY)
    add_custom_command(OUTPUT ${TW_GEN}/${doc}.gz
        COMMAND gzip -9 -n -f -k ${TW_GEN}/${doc}
        DEPENDS ${TW_GEN}/${doc}
        VERBATIM)
    list(APPEND TW_GZIPPED ${TW_GEN}/${doc}.gz)
endforeach()

# The icons are cut from the forge's eye picture.
set(TW_ICON_STAMP ${TW_GEN}/icons/.stamp)
add_custom_command(OUTPUT ${TW_ICON_STAMP}
    COMMAND forge --icons ${TW_GEN}/icons
    COMMAND ${CMAKE_COMMAND} -E touch ${TW_ICON_STAMP}
    DEPENDS forge
    COMMENT "Forging the application icons"
    VERBATIM)
add_custom_target(dist_files ALL DEPENDS ${TW_GZIPPED} ${TW_ICON_STAMP})

install(TARGETS tarnwick tarnwick-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnwick/data
    PATTERN .forge-stamp EXCLUDE)
install(FILES ${TW_GEN}/tarnwick.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${TW_GEN}/tarnwick-inspect.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TW_DIST}/tarnwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TW_DIST}/org.tarnwick.tarnwick.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${TW_GEN}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
    PATTERN .stamp EXCLUDE)
install(FILES ${TW_DIST}/copyright ${TW_GEN}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
