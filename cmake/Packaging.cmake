# Installation and the Debian package (cpack -G DEB in the build folder).
# Programs go to <prefix>/bin; what they ship (templates, pictures, texts,
# the guide, the default inifile.ini) to <prefix>/share/hra, where
# store::sharedDirectory and store::defaultIniPath look when it is not
# beside the program. Per-user data (the embedded database, photos) lives in
# the user's data folder.
include(GNUInstallDirs)
# scripts/package.sh builds what is installed; installing needs not build the
# tests and benchmarks as well.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS hra hra-cli hra-backup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/reports/ DESTINATION ${CMAKE_INSTALL_DATADIR}/hra/reports)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/hra/help)
install(FILES ${CMAKE_SOURCE_DIR}/resources/inifile.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/hra)
install(FILES ${CMAKE_SOURCE_DIR}/resources/hra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/share/hra.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Health risk assessment manager for health-check centres")
set(CPACK_PACKAGE_DESCRIPTION
    "Registers persons, interviews them with a five-page questionnaire, computes risk evaluations and prints a personal health risk report. Chinese user interface.")
set(CPACK_PACKAGE_CONTACT "Health risk assessment developers <hra@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Libraries the programs link come from dpkg-shlibdeps; what they load at run
# time (SQL drivers, the platform plugin) and the fonts the reports name are
# listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-odbc, qt6-qpa-plugins, libsodium23, libjpeg62-turbo, fonts-noto-cjk, fonts-arphic-gkai00mp, qt6-translations-l10n")
# pg_dump and pg_restore for backups of a PostgreSQL database; FreeTDS for SQL
# Server; lp to print a batch of reports.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "postgresql-client, tdsodbc, cups-client")
include(CPack)
