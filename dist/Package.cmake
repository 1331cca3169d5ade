# `make package` (or `cmake --build build --target package`): a Debian
# package made by CPack from the install rules of dist/Install.cmake, with
# the games layout (component "deb") in place of the plain one ("local").

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME molfo)
set(CPACK_PACKAGE_VENDOR "Molfo developers")
set(CPACK_PACKAGE_CONTACT "${MOLFO_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL common deb)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vertical shooter with an insect theme")
set(CPACK_PACKAGE_DESCRIPTION
  "Steer the Molfo, a small flying hero, over a scrolling playfield through five\n"
  "stages of flies, mosquitoes, hornets and other bugs that swarm in, swerve,\n"
  "home in and fire bullets, each stage ending with its boss. Points pay for\n"
  "items that drop from the top: usable items to spend on special attacks, and\n"
  "food that restores stamina. The game ends in a ranking of 1000 places.\n"
  "\n"
  "It is played with the keyboard or a gamepad, in a window or full screen, and\n"
  "can record games and replay them.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MOLFO_HOMEPAGE}")
# The shared libraries come from dpkg-shlibdeps; the rest are files the game
# looks for at run time: a Japanese font for the window's text, and one of
# the soundfonts it tries for the songs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-ipafont-gothic | fonts-vlgothic | fonts-noto-cjk, timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
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
