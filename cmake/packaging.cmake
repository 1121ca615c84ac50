# Install rules and packages, included by the top CMakeLists once the
# program's targets exist.
#
#   cmake --install <build> --prefix <dir>   a desktop install under <dir>
#   cpack -G DEB   (in <build>)              the same as a Debian package
#   cpack -G ZIP   (a Windows build)         tempola.exe and its pictures
#
# Nothing here is compiled into the program: it finds its pictures from its
# own folder (platform/data_path.h), so any prefix works, and so does a
# package unpacked anywhere.

if(NOT DEFINED TEMPOLA_DATA_FILES)
  set(TEMPOLA_DATA_FILES
    ${PROJECT_SOURCE_DIR}/data/metal2.bmp ${PROJECT_SOURCE_DIR}/data/charset.tga)
endif()
set(TEMPOLA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# The release's date, beside the version that project() holds: the manual
# pages, the metainfo and the changelog are made from both.
set(TEMPOLA_DATE 2026-12-07)
set(TEMPOLA_MADE_DIR ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_NAME tempola)
set(CPACK_PACKAGE_VENDOR "The Tempola developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two frame pacing rules side by side in one OpenGL window")
# Lines of the long description as a package shows them (CPack indents them).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tempola spins two textured rotors in one window. Each moves only when its"
  "own frame pacer says a frame is due, while the screen is redrawn as fast"
  "as the machine allows, so each side shows how its rule copes. Target"
  "rates and rules change from the keyboard; the overlay sets the measured"
  "rate beside the target, and a frame log records every redraw as CSV.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # A folder holding the exe and its pictures runs anywhere, so the zip is
  # just that folder's contents, at its root.
  install(TARGETS tempola RUNTIME DESTINATION .)
  install(FILES ${TEMPOLA_DATA_FILES} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_FILE_NAME tempola-${PROJECT_VERSION}-windows-x86_64)
else()
  include(GNUInstallDirs)
  # The program looks in <its folder>/../share/tempola: say so when the
  # layout asked for would put the pictures anywhere else.
  if(NOT CMAKE_INSTALL_BINDIR MATCHES "^[^/]+$" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
    message(WARNING "tempola finds its pictures in BINDIR/../share/tempola; with BINDIR "
      "'${CMAKE_INSTALL_BINDIR}' and DATADIR '${CMAKE_INSTALL_DATADIR}' an installed program "
      "will not find them unless it is started from a folder that holds them")
  endif()

  # The pages, metainfo and changelog made from their templates; the pages
  # and the changelog gzipped as Debian keeps them (-n: no name or time in
  # the header, so the same sources give the same bytes).
  find_program(TEMPOLA_GZIP gzip REQUIRED)
  configure_file(${TEMPOLA_PACKAGING_DIR}/org.tempola.Tempola.metainfo.xml.in
    ${TEMPOLA_MADE_DIR}/org.tempola.Tempola.metainfo.xml @ONLY)
  set(TEMPOLA_GZIPPED)
  foreach(page tempola.6 tempola-sim.1 changelog)
    configure_file(${TEMPOLA_PACKAGING_DIR}/${page}.in ${TEMPOLA_MADE_DIR}/${page} @ONLY)
    add_custom_command(OUTPUT ${TEMPOLA_MADE_DIR}/${page}.gz
      COMMAND ${TEMPOLA_GZIP} -9nf -k ${TEMPOLA_MADE_DIR}/${page}
      DEPENDS ${TEMPOLA_MADE_DIR}/${page} VERBATIM)
    list(APPEND TEMPOLA_GZIPPED ${TEMPOLA_MADE_DIR}/${page}.gz)
  endforeach()
  add_custom_target(tempola_docs ALL DEPENDS ${TEMPOLA_GZIPPED})

  install(TARGETS tempola RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TEMPOLA_PACKAGING_DIR}/copyright ${TEMPOLA_MADE_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${TEMPOLA_DATA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tempola)
  install(FILES ${TEMPOLA_PACKAGING_DIR}/tempola.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TEMPOLA_MADE_DIR}/org.tempola.Tempola.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
    FILES_MATCHING PATTERN "tempola.png")
  install(FILES ${TEMPOLA_MADE_DIR}/tempola.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  if(TARGET tempola-sim)
    install(TARGETS tempola-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${TEMPOLA_MADE_DIR}/tempola-sim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()

  # The compiler's banner (.comment, from the C runtime's start files too)
  # goes as Debian's own strip step drops it.
  if(CMAKE_OBJCOPY)
    set(TEMPOLA_INSTALLED_BINARIES tempola)
    if(TARGET tempola-sim)
      list(APPEND TEMPOLA_INSTALLED_BINARIES tempola-sim)
    endif()
    foreach(binary ${TEMPOLA_INSTALLED_BINARIES})
      install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${binary}\")")
    endforeach()
  endif()

  set(CPACK_GENERATOR DEB)
  set(TEMPOLA_PACKAGE_MAINTAINER "The Tempola developers <maintainers@tempola.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TEMPOLA_PACKAGE_MAINTAINER})
  # An OpenGL lab rather than a game (a games package holds a game in
  # /usr/games).
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The library packages come from what the binaries link (dpkg-shlibdeps,
  # which CPack runs on the files `file` calls ELF): SDL2's, and simdjson's
  # (libsimdjson14) for tempola-sim's JSON captures.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # SDL opens the GL library itself at run time, where dpkg-shlibdeps cannot
  # see it; through libgl1 comes a driver too.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
  # tempola-sim --report puts Debian's dygraphs into its pages, read when a
  # page is written; nothing else needs it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libjs-dygraphs")
endif()

include(CPack)
