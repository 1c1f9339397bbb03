# `cmake --install`: the console, its desktop entry and its icons, and the
# network capabilities the console needs when an ordinary user runs it.
include(GNUInstallDirs)

option(INSTALL_CAPABILITIES
       "Give the installed console the network capabilities it needs as an ordinary user (setcap, needs root)" ON)

# Binding the syslog port 514, the raw scan's capture and send, removing ARP
# entries and promiscuous capture; nothing more.
set(CONSOLE_CAPABILITIES "cap_net_bind_service,cap_net_raw,cap_net_admin=ep")
set(APP_NAME switchconsole)
# The sizes the desktop's icon theme expects an application icon in (the
# same as Resources::ThemeIconSizes), besides the scalable one.
set(APP_ICON_SIZES 16 22 24 32 48 64 128 256)

# Installs `target` to `destination` and, when INSTALL_CAPABILITIES is on,
# gives the installed file CONSOLE_CAPABILITIES; extra arguments go to both
# install rules (COMPONENT, EXCLUDE_FROM_ALL). The configured choice can be
# overridden when the install script runs:
#   cmake -DINSTALL_CAPABILITIES=OFF -P build/cmake_install.cmake
function(install_with_capabilities target destination)
  # Only system libraries: no search path next to a program that holds
  # capabilities (the loader ignores $ORIGIN for it anyway).
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "")
  install(TARGETS ${target} RUNTIME DESTINATION ${destination} ${ARGN})
  install(CODE "
    if(NOT DEFINED INSTALL_CAPABILITIES)
      set(INSTALL_CAPABILITIES ${INSTALL_CAPABILITIES})
    endif()
    set(CAP_FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\")
    set(CAP_LIST \"\")
    if(INSTALL_CAPABILITIES)
      set(CAP_LIST \"${CONSOLE_CAPABILITIES}\")
    endif()
    include(\"${PROJECT_SOURCE_DIR}/cmake/SetCapabilities.cmake\")" ${ARGN})
endfunction()

if(TARGET switchconsole)
  install_with_capabilities(switchconsole ${CMAKE_INSTALL_BINDIR})

  # The desktop icon in every drawn size, rendered at build time.
  set(icon_root ${CMAKE_BINARY_DIR}/icons)
  set(icon_files)
  foreach(size ${APP_ICON_SIZES})
    set(png ${icon_root}/hicolor/${size}x${size}/apps/${APP_NAME}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_root}/hicolor/${size}x${size}/apps
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
              $<TARGET_FILE:iconrender> RC_ICON_${size}X${size}_DEVICE ${png}
      DEPENDS iconrender
      COMMENT "Rendering the ${size}x${size} desktop icon")
    list(APPEND icon_files ${png})
  endforeach()
  set(svg ${icon_root}/hicolor/scalable/apps/${APP_NAME}.svg)
  add_custom_command(OUTPUT ${svg}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_root}/hicolor/scalable/apps
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:iconrender> RC_ICON_256X256_DEVICE ${svg}
    DEPENDS iconrender
    COMMENT "Writing the scalable desktop icon")
  list(APPEND icon_files ${svg})
  add_custom_target(desktop_icons ALL DEPENDS ${icon_files})
  install(DIRECTORY ${icon_root}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  # A theme that keeps an icon cache sees new icons only once it is renewed.
  install(CODE "
    set(_theme \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor\")
    find_program(_update gtk-update-icon-cache NO_CACHE)
    if(_update AND EXISTS \"\${_theme}/icon-theme.cache\")
      execute_process(COMMAND \${_update} -q -t \"\${_theme}\")
    endif()")

  # Control characters in switch names and messages are shown as Control
  # Pictures (U+2400-U+2421), which Debian's default fonts lack.
  install(CODE "
    find_program(_fclist fc-list NO_CACHE)
    if(_fclist)
      execute_process(COMMAND \${_fclist} :charset=2400-2421 family OUTPUT_VARIABLE _pictures ERROR_QUIET)
      if(NOT _pictures)
        message(WARNING \"No installed font has the Control Pictures the console shows control characters with: \"
                        \"install the package fonts-freefont-ttf.\")
      endif()
    endif()")

  # The desktop entry names the installed program by its full path, so it is
  # written when the install prefix is known.
  install(CODE "
    set(APP_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${APP_NAME}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/${APP_NAME}.desktop.in\" \"${CMAKE_BINARY_DIR}/${APP_NAME}.desktop\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\" TYPE FILE
         FILES \"${CMAKE_BINARY_DIR}/${APP_NAME}.desktop\")")
endif()

# The test probe, installed only on request (the install test asks for it):
# it gets the same capabilities as the console.
if(TARGET capprobe)
  install_with_capabilities(capprobe ${CMAKE_INSTALL_LIBEXECDIR}/${APP_NAME} COMPONENT capprobe EXCLUDE_FROM_ALL)
endif()
