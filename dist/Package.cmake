# `make package` (or `cmake --build build --target package`): two Debian
# packages made by CPack from the install rules: molfo, the game, with the
# games layout (components "common" and "deb", dist/Install.cmake), and
# molfo-server, the online table (component "server",
# dist/ServerInstall.cmake), which needs the game of the same version.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME molfo)
set(CPACK_PACKAGE_VENDOR "Molfo developers")
set(CPACK_PACKAGE_CONTACT "${MOLFO_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL common deb server)
set(CPACK_COMPONENT_COMMON_GROUP game)
set(CPACK_COMPONENT_DEB_GROUP game)
set(CPACK_COMPONENT_SERVER_GROUP server)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_GAME_PACKAGE_NAME molfo)
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME molfo-server)

set(CPACK_DEBIAN_GAME_DESCRIPTION "vertical shooter with an insect theme\n"
  "Steer the Molfo, a small flying hero, over a scrolling playfield through five\n"
  "stages of flies, mosquitoes, hornets and other bugs that swarm in, swerve,\n"
  "home in and fire bullets, each stage ending with its boss. Points pay for\n"
  "items that drop from the top: usable items to spend on special attacks, and\n"
  "food that restores stamina. The game ends in a ranking of 1000 places.\n"
  "\n"
  "It is played with the keyboard or a gamepad, in a window or full screen, and\n"
  "can record games and replay them.")
set(CPACK_DEBIAN_SERVER_DESCRIPTION "online high-score table for molfo that replays every run\n"
  "Players send the recording of a finished game of Molfo, never a score. The\n"
  "server has the game's own headless program replay each recording, in a\n"
  "process of its own under limits, and ranks only the score that replay\n"
  "reached. It serves the table as JSON and as a web page, and the game's\n"
  "browser page under /play/, where any run of the table can be watched.\n"
  "\n"
  "The table is kept in SQLite, or in PostgreSQL shared by several servers.\n"
  "A systemd unit runs the server sandboxed on loopback, for a proxy with\n"
  "TLS in front.")
foreach(molfo_var CPACK_DEBIAN_GAME_DESCRIPTION CPACK_DEBIAN_SERVER_DESCRIPTION)
  string(REPLACE ";" "" ${molfo_var} "${${molfo_var}}")
endforeach()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MOLFO_HOMEPAGE}")
# The shared libraries linked come from dpkg-shlibdeps; the rest are files
# the game looks for at run time: libcurl, which it loads itself for the
# online table (dist/molfo.dlopen; 7.85 for CURLOPT_PROTOCOLS_STR), a
# Japanese font for the window's text, and one of the soundfonts it tries
# for the songs. The server runs the game of its own version to verify runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0), "
  "fonts-ipafont-gothic | fonts-vlgothic | fonts-noto-cjk, timgm6mb-soundfont | fluid-soundfont-gm")
string(REPLACE ";" "" CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "${CPACK_DEBIAN_GAME_PACKAGE_DEPENDS}")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "molfo (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "postgresql, nginx")
# Its options file is a conffile; its maintainer scripts reload systemd,
# restart a running server on an upgrade and stop it on a removal.
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${MOLFO_DIST}/molfo-server/conffiles
  ${CMAKE_SOURCE_DIR}/dist/molfo-server/postinst ${CMAKE_SOURCE_DIR}/dist/molfo-server/prerm
  ${CMAKE_SOURCE_DIR}/dist/molfo-server/postrm)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# xz on every core: the server's page is most of the work.
set(CPACK_THREADS 0)
# Whatever the umask of whoever builds it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)

# `make screenshots`: the pictures the AppStream metadata shows, played by
# the headless game from the scripts in dist/screenshots/, to be published
# under the homepage's screenshots/.
set(molfo_shots "")
# NAME FRAME [practice options]: the window after FRAME passes of NAME.txt.
foreach(molfo_shot "stage1;390" "boss3;300;--stage;3;--boss" "boss5;300;--stage;5;--boss")
  list(POP_FRONT molfo_shot molfo_name molfo_frame)
  string(LENGTH "${molfo_frame}" molfo_len)
  math(EXPR molfo_zeros "7 - ${molfo_len}")
  string(REPEAT 0 ${molfo_zeros} molfo_pad)
  set(molfo_work ${CMAKE_BINARY_DIR}/screenshots/${molfo_name}.d)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/screenshots/${molfo_name}.png
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${molfo_work}
    # In the game's own Japanese whatever the builder's locale, so every
    # machine makes the same pictures.
    COMMAND molfo --headless --language ja --input ${CMAKE_SOURCE_DIR}/dist/screenshots/${molfo_name}.txt ${molfo_shot}
      --frames ${molfo_frame} --screenshot-every ${molfo_frame} --screenshot-dir ${molfo_work}
    COMMAND ${CMAKE_COMMAND} -E copy ${molfo_work}/molfo-${molfo_pad}${molfo_frame}.png
      ${CMAKE_BINARY_DIR}/screenshots/${molfo_name}.png
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${molfo_work}
    DEPENDS molfo ${CMAKE_SOURCE_DIR}/dist/screenshots/${molfo_name}.txt
    COMMENT "Playing the ${molfo_name} screenshot" VERBATIM)
  list(APPEND molfo_shots ${CMAKE_BINARY_DIR}/screenshots/${molfo_name}.png)
endforeach()
add_custom_target(screenshots DEPENDS ${molfo_shots})
