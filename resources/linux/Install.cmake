# Install rules and the Debian package (CPack). The executable and its web-process module
# share one private folder, because the client loads the module from its own folder and keeps
# its alarm photos there; `vantreel` on PATH links to it.
set(VANTREEL_INSTALL_DIR "lib/vantreel")
# `cmake --install` and CPack install only what was built; scripts/package-linux builds just
# the two programs it ships instead of every test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Photos must outlive the package and be writable by every user: the store folder beside the
# executable is a link into /var/lib, which the package's maintainer scripts create.
set(VANTREEL_PHOTO_STORE "/var/lib/vantreel/alarm_photos")

install(TARGETS Vantreel RUNTIME DESTINATION "${VANTREEL_INSTALL_DIR}")
install(TARGETS vantreel-webext LIBRARY DESTINATION "${VANTREEL_INSTALL_DIR}")
install(FILES "${CMAKE_CURRENT_LIST_DIR}/vantreel.desktop" DESTINATION share/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/resources/icons/vantreel-${size}.png"
          DESTINATION "share/icons/hicolor/${size}x${size}/apps" RENAME vantreel.png)
endforeach()

install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/bin\")
  file(CREATE_LINK \"../${VANTREEL_INSTALL_DIR}/Vantreel\" \"\${root}/bin/vantreel\" SYMBOLIC)
  file(CREATE_LINK \"${VANTREEL_PHOTO_STORE}\" \"\${root}/${VANTREEL_INSTALL_DIR}/alarm_photos\" SYMBOLIC)
  # A direct install (no staging folder) makes the shared folder itself, as the package does.
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    file(MAKE_DIRECTORY \"${VANTREEL_PHOTO_STORE}\")
    execute_process(COMMAND chmod 1777 \"${VANTREEL_PHOTO_STORE}\")
  endif()
")

set(CPACK_GENERATOR DEB)
# No symbol names in what users get (debug files neither: CPACK_DEBIAN_DEBUGINFO_PACKAGE stays off).
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_NAME vantreel)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_CONTACT "Vantreel developers <dev@vantreel>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orvane anti-addiction desktop client")
set(CPACK_PACKAGE_DESCRIPTION "The desktop client of the Orvane anti-addiction service: a window that shows \
the service's page and provides its native services (authentication, alarm photos shared by the \
users of the computer, saving pictures).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts for the eleven interface languages: Noto CJK for Chinese, Japanese and Korean;
# DejaVu for Latin, Cyrillic and Arabic.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_SOURCE_DIR}/dist")
include(CPack)
