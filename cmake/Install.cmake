# Lays out the installed program: the program folder in lib/lumen (the programs find their
# sub-process, icon and defaults beside themselves), its commands in bin, the desktop entry and
# the icon in the hicolor theme.

set(LUMEN_DEFAULT_CONFIG "" CACHE FILEPATH
  "The administrator's config.ini, installed as every user's defaults (optional)")

set(lumen_program_dir lib/lumen)
set(lumen_packaging ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS lumen lumen_render lumen_config RUNTIME DESTINATION ${lumen_program_dir})
install(FILES ${PROJECT_SOURCE_DIR}/window/Veze.ico DESTINATION ${lumen_program_dir})
if(LUMEN_DEFAULT_CONFIG)
  install(FILES ${LUMEN_DEFAULT_CONFIG} DESTINATION ${lumen_program_dir} RENAME config.ini)
endif()

# Relative links keep the layout movable; the programs resolve them to find their folder.
install(CODE [[
  set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
  file(MAKE_DIRECTORY "${bin}")
  foreach(program lumen lumen_config)
    message(STATUS "Installing: ${bin}/${program} -> ../lib/lumen/${program}")
    file(CREATE_LINK "../lib/lumen/${program}" "${bin}/${program}" SYMBOLIC)
  endforeach()
]])

install(FILES ${lumen_packaging}/lumen.desktop DESTINATION share/applications)
install(DIRECTORY ${lumen_packaging}/icons/hicolor DESTINATION share/icons)
