# The installed form: `cmake --install build --prefix P` and `make package`
# (a .deb made by CPack). The executables go to P/bin, their read-only data
# to P/share/tessary (the program finds it there because no catalogue sits
# beside the installed executables), plus the udev rule, the desktop entry
# with its icons and the manual pages. Include after the targets exist.

include(GNUInstallDirs)

set(TESSARY_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tessary)
set(TESSARY_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)

install(TARGETS tessary-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tessary)
  install(TARGETS tessary RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Read-only data: the catalogue, the language files, the Icon pictures, the
# example simulator configuration and the firmware packages shipped.
install(FILES ${TESSARY_CATALOGUE_FILE}
              ${CMAKE_SOURCE_DIR}/resources/lang/CN.ini
              ${CMAKE_SOURCE_DIR}/resources/lang/TC.ini
              ${CMAKE_SOURCE_DIR}/resources/lang/EN.ini
              ${CMAKE_SOURCE_DIR}/resources/simulator.ini
        DESTINATION ${TESSARY_DATA_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/Icon/ DESTINATION ${TESSARY_DATA_DIR}/Icon
        FILES_MATCHING PATTERN "*.bmp" PATTERN "*.xpm")
# The demo packages for the simulated programmer, written at build time.
if(TESSARY_DEMO_PACKAGES)
  install(FILES ${TESSARY_DEMO_PACKAGES} DESTINATION ${TESSARY_DATA_DIR}/iap)
endif()

# The logged-in user may open the programmer. udev reads rules from
# <prefix>/lib/udev/rules.d (not the multiarch library folder).
install(FILES ${TESSARY_DESKTOP_DIR}/70-tessary.rules DESTINATION lib/udev/rules.d)

# The desktop entry and its icon in the usual sizes.
if(TARGET tessary)
  install(FILES ${TESSARY_DESKTOP_DIR}/tessary.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${TESSARY_DESKTOP_DIR}/tessary-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tessary.png)
  endforeach()
  install(FILES ${TESSARY_DESKTOP_DIR}/tessary.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

install(FILES ${TESSARY_DESKTOP_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages made from the programs' own --help, so they cannot drift.
find_program(HELP2MAN_PROGRAM help2man)
find_program(GZIP_PROGRAM gzip)
if(HELP2MAN_PROGRAM AND GZIP_PROGRAM)
  set(TESSARY_MAN_DIR ${CMAKE_BINARY_DIR}/man)
  set(TESSARY_MAN_PAGES)
  set(tessary_cli_man_name "command-line tool for the Tessary USB chip programmers")
  set(tessary_man_name "Tessary USB chip programmer")
  foreach(program tessary-cli tessary)
    if(NOT TARGET ${program})
      continue()
    endif()
    string(REPLACE "-" "_" key ${program})
    set(page ${TESSARY_MAN_DIR}/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TESSARY_MAN_DIR}
      COMMAND ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1
              --name=${${key}_man_name} --version-string=${PROJECT_VERSION}
              --output=${TESSARY_MAN_DIR}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${GZIP_PROGRAM} -9nf ${TESSARY_MAN_DIR}/${program}.1
      DEPENDS ${program}
      COMMENT "Making the manual page of ${program}"
      VERBATIM)
    list(APPEND TESSARY_MAN_PAGES ${page})
  endforeach()
  # The package's change log, compressed as Debian packages carry it (a
  # package without a Debian revision names it changelog.gz).
  set(TESSARY_CHANGELOG ${TESSARY_MAN_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${TESSARY_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TESSARY_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${TESSARY_DESKTOP_DIR}/changelog ${TESSARY_MAN_DIR}/changelog
    COMMAND ${GZIP_PROGRAM} -9nf ${TESSARY_MAN_DIR}/changelog
    DEPENDS ${TESSARY_DESKTOP_DIR}/changelog
    VERBATIM)
  add_custom_target(manual_pages ALL DEPENDS ${TESSARY_MAN_PAGES} ${TESSARY_CHANGELOG})
  install(FILES ${TESSARY_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${TESSARY_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  message(WARNING "help2man or gzip not found: no manual pages (apt-get install help2man)")
endif()

# make package: one .deb with the dependencies its executables need.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VENDOR "Tessary")
set(TESSARY_PACKAGE_CONTACT "Tessary developers <tessary@example.org>" CACHE STRING
    "Maintainer field of the .deb (name <address>)")
set(CPACK_PACKAGE_CONTACT "${TESSARY_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host program for the Tessary USB universal chip programmers")
set(CPACK_PACKAGE_DESCRIPTION
  "Drives the Tessary USB universal chip programmers (Plov, Velor, Skar):\n"
  "pick or detect a memory chip, load a data file, then erase, blank-check,\n"
  "write, read and verify chips. Contains the desktop program, the\n"
  "command-line tool tessary-cli, the chip catalogue and a udev rule giving\n"
  "the logged-in user access to the programmer.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TESSARY_DESKTOP_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
