# The Debian package: cpack -G DEB in a build configured with
# CMAKE_INSTALL_PREFIX=/usr (scripts/package/deb.sh does both) writes
# tabwright_VERSION_amd64.deb with what `cmake --install` puts in place, the
# copyright, changelog and manual pages Debian asks for, and the libraries the
# programs link as its dependencies (dpkg-shlibdeps).

# /usr/share/doc/tabwright: the copyright (the licence) and the changelog, compressed as Debian keeps it.
set(tw_doc ${CMAKE_BINARY_DIR}/package-doc)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian-changelog.in ${tw_doc}/changelog @ONLY)
add_custom_command(OUTPUT ${tw_doc}/changelog.gz
                   COMMAND gzip -9nf -k ${tw_doc}/changelog
                   DEPENDS ${tw_doc}/changelog
                   COMMENT "Compressing the package's changelog")
# /usr/share/man/man1: the manual pages of both programs (doc/man), with the
# version and its date, compressed too.
set(tw_man_pages)
foreach(page tabwright tabwright-cli)
  configure_file(${PROJECT_SOURCE_DIR}/doc/man/${page}.1.in ${tw_doc}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${tw_doc}/${page}.1.gz
                     COMMAND gzip -9nf -k ${tw_doc}/${page}.1
                     DEPENDS ${tw_doc}/${page}.1
                     COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND tw_man_pages ${tw_doc}/${page}.1.gz)
endforeach()
add_custom_target(tw_package_doc ALL DEPENDS ${tw_doc}/changelog.gz ${tw_man_pages})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian-copyright RENAME copyright DESTINATION share/doc/tabwright)
install(FILES ${tw_doc}/changelog.gz DESTINATION share/doc/tabwright)
install(FILES ${tw_man_pages} DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME tabwright)
set(CPACK_PACKAGE_VENDOR Kestrava)
set(CPACK_PACKAGE_CONTACT "Team Kestrava <tabwright@kestrava.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy tables between FoxPro and Paradox databases")
set(CPACK_PACKAGE_DESCRIPTION
    "Tabwright copies tables between a FoxPro database (a .dbc container or a folder\n"
    "of free tables) and a Paradox database (a folder of .db tables), in both\n"
    "directions, and deletes and renames tables on either side. It writes real dbf,\n"
    "fpt, dbc, db and mb files. The package holds the windowed program,\n"
    "tabwright-cli for the same copies from a terminal, and sample databases.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tabwright_VERSION_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kestrava.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's SVG reader is a plugin, loaded at run time, not linked: the windows' icon needs it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
