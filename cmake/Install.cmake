# Install rules and the Debian package.
#
#   cmake --install build [--prefix DIR]   the programs, help pages, desktop entry, icon, file
#                                          type, AppStream metainfo and manual pages
#   (cd build && cpack -G DEB)             kebqor_<version>_<arch>.deb of the same tree
#
# The program finds its help pages beside itself first, then in ../share/kebqor/help: on Windows
# they go beside the program, elsewhere into the shared data folder.

if(NOT TARGET kebqor)
  return()
endif()

include(GNUInstallDirs)

set(KEBQOR_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(KEBQOR_GENERATED_DATA_DIR ${PROJECT_BINARY_DIR}/data)
set(KEBQOR_METAINFO_ID example.varto.kebqor)

foreach(program kebqor kebqor-cli kebqor-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(WIN32)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${CMAKE_INSTALL_BINDIR}/help)
  return()
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kebqor/help)
install(FILES ${KEBQOR_DATA_DIR}/kebqor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KEBQOR_DATA_DIR}/icons/kebqor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KEBQOR_DATA_DIR}/icons/kebqor.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${KEBQOR_DATA_DIR}/kebqor-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME kebqor.xml)
# Settings files show the program's icon in file managers.
install(FILES ${KEBQOR_DATA_DIR}/icons/kebqor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-kebqor-settings.svg)
install(FILES ${KEBQOR_DATA_DIR}/icons/kebqor.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/mimetypes
        RENAME application-x-kebqor-settings.png)

configure_file(${KEBQOR_DATA_DIR}/${KEBQOR_METAINFO_ID}.metainfo.xml
               ${KEBQOR_GENERATED_DATA_DIR}/${KEBQOR_METAINFO_ID}.metainfo.xml @ONLY)
install(FILES ${KEBQOR_GENERATED_DATA_DIR}/${KEBQOR_METAINFO_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the changelog are installed compressed, without a time stamp in the
# compressed file, so that two builds of one version give the same package.
find_program(KEBQOR_GZIP gzip REQUIRED)
function(kebqor_install_gzipped template destination)
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  set(plain ${KEBQOR_GENERATED_DATA_DIR}/${name})
  configure_file(${template} ${plain} @ONLY)
  add_custom_command(OUTPUT ${plain}.gz COMMAND ${KEBQOR_GZIP} -9nc ${plain} > ${plain}.gz
                     DEPENDS ${plain} VERBATIM)
  add_custom_target(kebqor_gzip_${name} ALL DEPENDS ${plain}.gz)
  install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()

foreach(page kebqor.1 kebqor-cli.1 kebqor-sim.1)
  kebqor_install_gzipped(${KEBQOR_DATA_DIR}/man/${page}.in ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
kebqor_install_gzipped(${KEBQOR_DATA_DIR}/debian/changelog.in ${CMAKE_INSTALL_DOCDIR})
install(FILES ${KEBQOR_DATA_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: its dependencies come from the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kebqor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Varto)
set(CPACK_PACKAGE_CONTACT "Varto <support@varto.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varto <support@varto.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for QOR door-access keypad decoders")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KEB QOR Programmer reads the settings and the 400 to 800 user codes of QOR1
and QOR2 door-access keypad decoders, series 1, 2 and 3, through a KEB
programming interface on a serial port, lets a technician edit them in one
window and programs them back. It saves and opens .qor settings files, prints
a paged report and adds many codes at once.
.
The package also holds kebqor-cli, the same functions for scripts, and
kebqor-sim, a virtual decoder on a pseudo-terminal for training and tests.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.varto.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
