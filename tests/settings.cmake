# The settings file in the real window (xvfb-run and xdotool): keys swapped
# in the file move the hero the other way, and the recording of that game
# replays the same with no settings at all; a broken file or a bad value
# costs one line and its default, never the start.

set(MOLFO_SETTINGS_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/settings_run.sh)

find_program(MOLFO_XVFB_RUN xvfb-run)
find_program(MOLFO_XDOTOOL xdotool)
if(MOLFO_XVFB_RUN AND MOLFO_XDOTOOL)
  foreach(pair SwappedKeysMoveTheHero:swapped ABrokenSettingsFileStartsWithDefaults:broken)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 mode)
    add_test(NAME Window.${name}
      COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1024x768x24"
        sh ${MOLFO_SETTINGS_SCRIPT} ${mode} $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}
          ${CMAKE_CURRENT_BINARY_DIR}/settings-${mode})
    set_tests_properties(Window.${name} PROPERTIES LABELS window TIMEOUT 60 RESOURCE_LOCK xvfb)
  endforeach()
endif()
