# What `cmake --install` puts where, relative to the prefix (PREFIX/bin,
# PREFIX/share/...), and the files made for it at build time: icons rendered
# from the program's own SVG, manual pages from their scdoc sources, the
# AppStream metadata and the Debian changelog from the project version.
include(GNUInstallDirs)

# Directories as Debian expects them (rwxr-xr-x), whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(SW_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(SW_PACKAGING_BINARY ${PROJECT_BINARY_DIR}/packaging)
set(SW_DATA_DIR ${CMAKE_INSTALL_DATADIR}/speckwash)
set(SW_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/ui/icon128.svg)

install(TARGETS speckwash-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET speckwash)
  install(TARGETS speckwash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The program looks for its help file here when it is not beside it.
  if(TARGET speckwash_help)
    install(FILES ${PROJECT_BINARY_DIR}/app/Speckwash.chm DESTINATION ${SW_DATA_DIR})
  endif()
endif()
# Where the sample comes from is in the package's copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/resources/sample/sample-scan.tif DESTINATION ${SW_DATA_DIR}/samples)

# Desktop integration.
install(FILES ${SW_PACKAGING_SOURCE}/${SPECKWASH_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SW_PACKAGING_SOURCE}/${SPECKWASH_APP_ID}.mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${SPECKWASH_APP_ID}.xml)
configure_file(${SW_PACKAGING_SOURCE}/${SPECKWASH_APP_ID}.metainfo.xml.in
  ${SW_PACKAGING_BINARY}/${SPECKWASH_APP_ID}.metainfo.xml @ONLY)
install(FILES ${SW_PACKAGING_BINARY}/${SPECKWASH_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${SW_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${SPECKWASH_APP_ID}.svg)
install(FILES ${SW_PACKAGING_SOURCE}/speckwash-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME speckwash-cli)

set(sw_generated)

find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  foreach(size 16 32 48 64 128 256)
    set(png ${SW_PACKAGING_BINARY}/icons/${size}x${size}/${SPECKWASH_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${SW_PACKAGING_BINARY}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${SW_ICON_SVG}
      DEPENDS ${SW_ICON_SVG}
      VERBATIM)
    list(APPEND sw_generated ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: the PNG icons are not built")
endif()

# Manual pages, compressed as Debian installs them.
find_program(SCDOC scdoc)
if(SCDOC)
  foreach(page speckwash speckwash-cli)
    set(roff ${SW_PACKAGING_BINARY}/man/${page}.1)
    add_custom_command(OUTPUT ${roff}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${SW_PACKAGING_BINARY}/man
      COMMAND sh -c "${SCDOC} < \"$0\" > \"$1\" && gzip -9nf \"$1\"" ${SW_PACKAGING_SOURCE}/man/${page}.1.scd ${roff}
      DEPENDS ${SW_PACKAGING_SOURCE}/man/${page}.1.scd
      VERBATIM)
    list(APPEND sw_generated ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "scdoc not found: the manual pages are not built")
endif()

# The Debian changelog and copyright, which every package carries.
configure_file(${SW_PACKAGING_SOURCE}/changelog.in ${SW_PACKAGING_BINARY}/changelog @ONLY)
add_custom_command(OUTPUT ${SW_PACKAGING_BINARY}/changelog.gz
  COMMAND gzip -9nkf ${SW_PACKAGING_BINARY}/changelog
  DEPENDS ${SW_PACKAGING_BINARY}/changelog
  VERBATIM)
list(APPEND sw_generated ${SW_PACKAGING_BINARY}/changelog.gz)
install(FILES ${SW_PACKAGING_BINARY}/changelog.gz ${SW_PACKAGING_SOURCE}/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(speckwash_install_data ALL DEPENDS ${sw_generated})
