# Kept replays end to end: a game played in the real window (xvfb-run and
# xdotool) is kept in the user's data folder, listed by --replays and
# verified by --replay last; sixty more games leave the last fifty and the
# personal bests.

set(MOLFO_KEPT_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/kept_replays.sh)

find_program(MOLFO_XVFB_RUN xvfb-run)
find_program(MOLFO_XDOTOOL xdotool)
if(MOLFO_XVFB_RUN AND MOLFO_XDOTOOL)
  add_test(NAME Window.GamesAreKeptAsReplays
    COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1024x768x24"
      sh ${MOLFO_KEPT_SCRIPT} $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/kept-replays)
  # Sixty games take about a minute, five under the sanitizers.
  set_tests_properties(Window.GamesAreKeptAsReplays PROPERTIES LABELS "window;slow" TIMEOUT 900 RESOURCE_LOCK xvfb)
endif()
