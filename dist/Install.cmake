# cmake --install: the program in bin/, its sys/ folder in share/molfo/, a
# desktop entry, icons, AppStream metadata and a manual page where desktops
# and man look for them. The program finds sys/ through the relative path
# from its own folder, so an installed tree can be moved as a whole.
#
# One build serves two layouts. `cmake --install` takes components "local"
# (bin/ and share/molfo/) and "common" (everything else). The Debian package
# (dist/Package.cmake) takes "deb" instead of "local": the program in games/
# and its data in share/games/molfo/, as Debian puts games, plus the
# package's copyright and changelog. "deb" is installed only when asked for
# by name.

include(GNUInstallDirs)

set(MOLFO_DEB_BINDIR games)
set(MOLFO_DEB_DATADIR ${CMAKE_INSTALL_DATADIR}/games/molfo)
file(RELATIVE_PATH MOLFO_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/molfo)
file(RELATIVE_PATH MOLFO_DATA_FROM_GAMES ${CMAKE_INSTALL_PREFIX}/${MOLFO_DEB_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${MOLFO_DEB_DATADIR})
target_compile_definitions(molfo PRIVATE MOLFO_DATA_FROM_BIN="${MOLFO_DATA_FROM_BIN}:${MOLFO_DATA_FROM_GAMES}")

# The shipped program gets the hardening Debian gives its own packages:
# checked string and memory calls, and a read-only relocation table (not
# under the sanitizers, which check those calls their own way).
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT MOLFO_SANITIZE)
  foreach(t molfo_lib molfo)
    target_compile_options(${t} PRIVATE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  endforeach()
endif()
target_link_options(molfo PRIVATE -Wl,-z,relro -Wl,-z,now)

# Who makes the game and where it lives, for the package and the metadata.
set(MOLFO_MAINTAINER "Molfo developers <molfo@users.noreply.github.com>")
set(MOLFO_HOMEPAGE "https://molfo.github.io/")
# SPDX: the code under the MIT licence (LICENSE), the art, songs and effects
# under CC BY 4.0 (assets/LICENSE).
set(MOLFO_LICENSE "MIT AND CC-BY-4.0")

# The packages' copyright files (dist/*.copyright.in), machine-readable as
# Debian wants them, with the full text of every licence they name that
# Debian's common-licenses lacks. A licence paragraph is its text from the
# line FIRST on, each line indented by a space and an empty one written " .".
function(molfo_licence_paragraph out name file first)
  file(READ ${file} text)
  string(FIND "${text}" "${first}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${file} does not hold '${first}'")
  endif()
  string(SUBSTRING "${text}" ${at} -1 text)
  string(REGEX REPLACE "[ \t]+\n" "\n" text "${text}")
  string(STRIP "${text}" text)
  while(text MATCHES "\n\n")
    string(REPLACE "\n\n" "\n.\n" text "${text}")
  endwhile()
  string(REPLACE "\n" "\n " text "${text}")
  set(${out} "${${out}}License: ${name}\n ${text}\n\n" PARENT_SCOPE)
endfunction()
set(MOLFO_LICENCES ${CMAKE_SOURCE_DIR}/dist/licences)
foreach(package molfo molfo-server)
  set(MOLFO_LICENCE_TEXTS "")
  molfo_licence_paragraph(MOLFO_LICENCE_TEXTS Expat ${CMAKE_SOURCE_DIR}/LICENSE "Permission is hereby granted")
  molfo_licence_paragraph(MOLFO_LICENCE_TEXTS CC-BY-4.0 ${CMAKE_SOURCE_DIR}/assets/LICENSE "Attribution 4.0 International")
  molfo_licence_paragraph(MOLFO_LICENCE_TEXTS BSD-3-clause ${MOLFO_LICENCES}/BSD-3-clause.txt "Redistribution")
  molfo_licence_paragraph(MOLFO_LICENCE_TEXTS public-domain ${MOLFO_LICENCES}/stb-public-domain.txt "This is free")
  if(package STREQUAL molfo-server)
    molfo_licence_paragraph(MOLFO_LICENCE_TEXTS IPA ${MOLFO_LICENCES}/IPA-1.0.txt "IPA Font License Agreement v1.0")
  endif()
  string(STRIP "${MOLFO_LICENCE_TEXTS}" MOLFO_LICENCE_TEXTS)
  configure_file(${CMAKE_SOURCE_DIR}/dist/${package}.copyright.in ${CMAKE_BINARY_DIR}/dist/${package}/copyright @ONLY)
endforeach()

# The newest entry of dist/changelog is the release: it must name the
# project's version, and its date dates the manual page and the AppStream
# release, so a release is written down in one place.
file(STRINGS ${CMAKE_SOURCE_DIR}/dist/changelog molfo_entries REGEX "^molfo \\(")
file(STRINGS ${CMAKE_SOURCE_DIR}/dist/changelog molfo_signoffs REGEX "^ -- ")
list(GET molfo_entries 0 molfo_entry)
list(GET molfo_signoffs 0 molfo_signoff)
string(REGEX MATCH "^molfo \\(([^)]+)\\)" _ "${molfo_entry}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "dist/changelog's newest entry is for ${CMAKE_MATCH_1}, but the project is "
    "${PROJECT_VERSION}: add an entry for this release at its top")
endif()
if(NOT molfo_signoff MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "dist/changelog: no RFC 2822 date in '${molfo_signoff}'")
endif()
set(molfo_day ${CMAKE_MATCH_1})
set(molfo_year ${CMAKE_MATCH_3})
set(molfo_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND molfo_months ${CMAKE_MATCH_2} molfo_month)
math(EXPR molfo_month "${molfo_month} + 1")
string(LENGTH "${molfo_day}" molfo_len)
if(molfo_len EQUAL 1)
  set(molfo_day 0${molfo_day})
endif()
if(molfo_month LESS 10)
  set(molfo_month 0${molfo_month})
endif()
set(MOLFO_RELEASE_DATE ${molfo_year}-${molfo_month}-${molfo_day})

# Text made at configure time: the manual page and the changelog compressed
# as Debian wants them (gzip -9, no name or time stored), the metadata.
set(MOLFO_DIST ${CMAKE_BINARY_DIR}/dist)
configure_file(${CMAKE_SOURCE_DIR}/dist/molfo.6.in ${MOLFO_DIST}/molfo.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/io.github.molfo.metainfo.xml.in
  ${MOLFO_DIST}/io.github.molfo.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/changelog ${MOLFO_DIST}/changelog COPYONLY)
foreach(f molfo.6 changelog)
  execute_process(COMMAND gzip -9n -c ${MOLFO_DIST}/${f} OUTPUT_FILE ${MOLFO_DIST}/${f}.gz
    RESULT_VARIABLE molfo_rc)
  if(NOT molfo_rc EQUAL 0)
    message(FATAL_ERROR "cannot gzip ${MOLFO_DIST}/${f}")
  endif()
endforeach()

# The icon at the theme's usual sizes, drawn from the same SVG.
set(MOLFO_ICON_SIZES 16 22 24 32 48 64 128 256)
set(molfo_icons "")
foreach(size ${MOLFO_ICON_SIZES})
  set(molfo_png ${MOLFO_DIST}/icons/${size}x${size}/molfo.png)
  add_custom_command(OUTPUT ${molfo_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_DIST}/icons/${size}x${size}
    COMMAND assetgen icon ${molfo_png} ${size} ${CMAKE_SOURCE_DIR}/dist/molfo.svg
    DEPENDS assetgen ${CMAKE_SOURCE_DIR}/dist/molfo.svg
    COMMENT "Drawing the ${size}x${size} icon" VERBATIM)
  list(APPEND molfo_icons ${molfo_png})
endforeach()
add_custom_target(molfo_icons ALL DEPENDS ${molfo_icons})

# The program and its data, in either layout.
function(molfo_install_game component bindir datadir)
  install(TARGETS molfo RUNTIME DESTINATION ${bindir} COMPONENT ${component} ${ARGN})
  # The build's sys/ may hold a ranking from games played in the build
  # tree: an installed game starts with an empty one.
  install(DIRECTORY ${CMAKE_BINARY_DIR}/sys/ DESTINATION ${datadir}/sys COMPONENT ${component} ${ARGN}
    PATTERN "rank.hms*" EXCLUDE
    PATTERN "*.tmp" EXCLUDE)
endfunction()
molfo_install_game(local ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_DATADIR}/molfo)
molfo_install_game(deb ${MOLFO_DEB_BINDIR} ${MOLFO_DEB_DATADIR} EXCLUDE_FROM_ALL)

install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT common)
install(FILES ${MOLFO_DIST}/io.github.molfo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  COMPONENT common)
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  COMPONENT common)
foreach(size ${MOLFO_ICON_SIZES})
  install(FILES ${MOLFO_DIST}/icons/${size}x${size}/molfo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT common)
endforeach()
install(FILES ${MOLFO_DIST}/molfo.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT common)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT common)
install(FILES ${MOLFO_DIST}/molfo/copyright ${MOLFO_DIST}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT deb EXCLUDE_FROM_ALL)
# Stripped as Debian strips, notes and compiler stamps included.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded --remove-section=.comment
  --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MOLFO_DEB_BINDIR}/molfo\"
  COMMAND_ERROR_IS_FATAL ANY)"
  COMPONENT deb EXCLUDE_FROM_ALL)
