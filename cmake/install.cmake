# What `make install` puts under the prefix: the programs, the shipped level
# and weapons, the desktop entry with its icons, a man page for every
# program, the README and the modding guide, and the systemd units of the
# relay and list servers. `make uninstall` removes what the manifest of the
# last install lists (cmake/uninstall.cmake).

# The icon, drawn by the content generator from the worm sprite.
set(KREL_ICON_SIZES 32 64 128)
set(KREL_ICONS)
foreach(size ${KREL_ICON_SIZES})
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}x${size}/krel.png)
  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND $<TARGET_FILE:krel-content> icon ${size} ${icon}
    DEPENDS krel-content
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND KREL_ICONS ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(krel_icons ALL DEPENDS ${KREL_ICONS})

# Pages and the unit name the installed paths.
set(KREL_BINDIR ${CMAKE_INSTALL_FULL_BINDIR})
set(KREL_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/krel)
set(KREL_DOCDIR ${CMAKE_INSTALL_FULL_DATADIR}/doc/krel)
configure_file(${CMAKE_SOURCE_DIR}/dist/krelServer@.service.in ${CMAKE_BINARY_DIR}/dist/krelServer@.service @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/krelList.service.in ${CMAKE_BINARY_DIR}/dist/krelList.service @ONLY)

# Every program a player, modder or server operator runs, each with its page
# (dist/NAME.6, or dist/NAME.6.in where the page names installed paths).
foreach(program ${KREL_PROGRAMS})
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(EXISTS ${CMAKE_SOURCE_DIR}/dist/${program}.6.in)
    configure_file(${CMAKE_SOURCE_DIR}/dist/${program}.6.in ${CMAKE_BINARY_DIR}/dist/${program}.6 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/dist/${program}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  else()
    install(FILES ${CMAKE_SOURCE_DIR}/dist/${program}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  endif()
endforeach()
# The README's links to data/README.md and docs/ hold there too.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/krel)
install(FILES ${CMAKE_SOURCE_DIR}/docs/server.md ${CMAKE_SOURCE_DIR}/docs/developers.md
              ${CMAKE_SOURCE_DIR}/docs/performance.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/krel/docs)
install(FILES ${CMAKE_SOURCE_DIR}/data/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/krel/data)
# The shipped files, never a player's changed copy from the build folder.
install(FILES ${CMAKE_SOURCE_DIR}/data/arms.dat ${CMAKE_SOURCE_DIR}/data/level.bmp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/krel)
install(FILES ${CMAKE_SOURCE_DIR}/dist/krel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/dist/krelServer@.service ${CMAKE_BINARY_DIR}/dist/krelList.service
        DESTINATION lib/systemd/system)
