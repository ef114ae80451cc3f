# Install layout and packages: a .deb on Linux; a stripped Hushdial.exe, a portable zip and an NSIS
# installer on Windows (target "windows-packages").
include(GNUInstallDirs)
set(hush_docdir ${CMAKE_INSTALL_DATADIR}/doc/hushdial)  # the package's own name, as Debian wants it

set(CPACK_PACKAGE_NAME "hushdial")
set(CPACK_PACKAGE_VENDOR "Brightfen")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brightfen <${HUSHDIAL_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "volume up and down with two Ctrl+Shift shortcuts")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.brightfen.com/")
set(CPACK_STRIP_FILES ON)

if(NOT WIN32)
  install(TARGETS hushdial RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS hushdial_window LIBRARY DESTINATION lib/hushdial PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(FILES packaging/linux/com.brightfen.Hushdial.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/linux/com.brightfen.Hushdial.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES res/icons/hushdial-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME hushdial.png)
  endforeach()
  install(FILES res/icons/hushdial.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES README.md packaging/linux/copyright DESTINATION ${hush_docdir})
  # Debian keeps a package's change log compressed beside its copyright file.
  set(hush_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${hush_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/linux/changelog > ${hush_changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/linux/changelog)
  set(hush_manpage ${CMAKE_BINARY_DIR}/packaging/hushdial.1.gz)
  add_custom_command(OUTPUT ${hush_manpage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/linux/hushdial.1 > ${hush_manpage}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/linux/hushdial.1)
  add_custom_target(hush_package_docs ALL DEPENDS ${hush_changelog} ${hush_manpage})
  install(FILES ${hush_changelog} DESTINATION ${hush_docdir})
  install(FILES ${hush_manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(CODE "file(CHMOD_RECURSE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)")

  set(CPACK_GENERATOR "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The synopsis is the summary above; this is the long text under it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Hushdial gives you two global shortcuts of the form Ctrl+Shift+letter: one\nraises and one lowers the master playback volume by one step, from anywhere on\nthe desktop. It lives in the notification area and can start at logon. It\nworks with PulseAudio, PipeWire's pulse server and plain ALSA, on X11.")
  include(CPack)
else()
  # The shipped program: stripped, with the static runtime already linked in. The 64-bit build's
  # installer keeps its plain name; the 32-bit build's says x86.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(hush_win_arch x86)
    set(hush_setup_name Hushdial-${PROJECT_VERSION}-setup-x86.exe)
    set(hush_strip_name i686-w64-mingw32-strip)
  else()
    set(hush_win_arch x64)
    set(hush_setup_name Hushdial-${PROJECT_VERSION}-setup.exe)
    set(hush_strip_name x86_64-w64-mingw32-strip)
  endif()
  set(hush_package_dir ${CMAKE_BINARY_DIR}/packages)
  set(hush_zip_root ${hush_package_dir}/Hushdial-${PROJECT_VERSION}-windows-${hush_win_arch})
  set(hush_zip ${hush_package_dir}/Hushdial-${PROJECT_VERSION}-windows-${hush_win_arch}.zip)
  set(hush_setup ${hush_package_dir}/${hush_setup_name})
  find_program(HUSH_STRIP NAMES ${hush_strip_name} strip)
  find_program(HUSH_MAKENSIS NAMES makensis)
  add_custom_command(OUTPUT ${hush_zip_root}/Hushdial.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${hush_zip_root}
    COMMAND ${HUSH_STRIP} -o ${hush_zip_root}/Hushdial.exe $<TARGET_FILE:hushdial>
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/README.md ${hush_zip_root}/README.md
    DEPENDS hushdial ${CMAKE_SOURCE_DIR}/README.md)
  add_custom_command(OUTPUT ${hush_zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${hush_zip} --format=zip Hushdial-${PROJECT_VERSION}-windows-${hush_win_arch}
    WORKING_DIRECTORY ${hush_package_dir}
    DEPENDS ${hush_zip_root}/Hushdial.exe)
  add_custom_command(OUTPUT ${hush_setup}
    COMMAND ${HUSH_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DARCH=${hush_win_arch} -DEXE=${hush_zip_root}/Hushdial.exe
            -DICON=${CMAKE_SOURCE_DIR}/res/hushdial.ico -DOUT=${hush_setup}
            ${CMAKE_SOURCE_DIR}/packaging/windows/hushdial.nsi
    DEPENDS ${hush_zip_root}/Hushdial.exe ${CMAKE_SOURCE_DIR}/packaging/windows/hushdial.nsi)
  if(HUSH_STRIP AND HUSH_MAKENSIS)
    add_custom_target(windows-packages DEPENDS ${hush_zip} ${hush_setup})
  endif()
endif()
