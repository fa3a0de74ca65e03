# What `make install` puts under the prefix: the programs, the shipped level
# and weapons, the desktop entry with its icons, the man pages and the
# server's systemd unit. `make uninstall` removes what the manifest of the
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
configure_file(${CMAKE_SOURCE_DIR}/dist/krel.6.in ${CMAKE_BINARY_DIR}/dist/krel.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/krelServer@.service.in ${CMAKE_BINARY_DIR}/dist/krelServer@.service @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/krelList.service.in ${CMAKE_BINARY_DIR}/dist/krelList.service @ONLY)

foreach(program krel krelServer krelList krel-arms krel-content)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The shipped files, never a player's changed copy from the build folder.
install(FILES ${CMAKE_SOURCE_DIR}/data/arms.dat ${CMAKE_SOURCE_DIR}/data/level.bmp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/krel)
install(FILES ${CMAKE_SOURCE_DIR}/dist/krel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/dist/krel.6 ${CMAKE_SOURCE_DIR}/dist/krelServer.6 ${CMAKE_SOURCE_DIR}/dist/krelList.6
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/dist/krelServer@.service ${CMAKE_BINARY_DIR}/dist/krelList.service
        DESTINATION lib/systemd/system)
