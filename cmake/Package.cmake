# The Debian package, made by CPack from the install rules (scripts/package.sh runs it).
# CPack reuses the configured build; dpkg-buildpackage would rebuild everything from a clean
# tree and needs a debian/ folder that repeats what the install rules already say.

set(lumen_doc_dir share/doc/lumen)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${lumen_doc_dir})
# Debian wants the changelog compressed, without a time stamp that would change every build.
set(lumen_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
execute_process(COMMAND gzip -n -9 -c ${PROJECT_SOURCE_DIR}/packaging/changelog
  OUTPUT_FILE ${lumen_changelog} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/packaging/changelog)
install(FILES ${lumen_changelog} DESTINATION ${lumen_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumen)
set(CPACK_PACKAGE_VENDOR Corvela)
set(CPACK_PACKAGE_CONTACT "Corvela <support@corvela.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop shell of the Corvela game portal")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "lumen shows the pages of the Corvela game portal in frameless windows of an
embedded Chromium browser. The pages open, place and close further windows,
keep settings and start updates through the shell.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not "games": Debian keeps that section for programs in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://corvela.example)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from the binaries; the QML modules the scene imports are loaded at run time
# and no linker sees them. Listed with the modules those pull in: QtQuick imports QtQml, which
# imports QtQml.Models and QtQml.WorkerScript; the Basic style is built on QtQuick.Templates.
# From Qt 6.8 (Debian 13) on, QtQml also imports the QML module and the Basic style draws with
# QtQuick.Shapes, packages Debian 12 does not have. scripts/package.sh checks the list against
# Qt's import scanner.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(lumen_qml_packages qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-controls
  qml6-module-qtquick-templates qml6-module-qt5compat-graphicaleffects)
if(Qt6Qml_VERSION VERSION_GREATER_EQUAL 6.8)
  list(APPEND lumen_qml_packages qml6-module-qml qml6-module-qtquick-shapes)
endif()
list(JOIN lumen_qml_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Pages draw emoji in colour only with a colour emoji font, and in sans-serif text only when
# that family is one without black-and-white emoji of its own (the engine uses Liberation Sans).
# The default engine takes the system's Chromium where it is installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, fonts-liberation, chromium")
include(CPack)
