# Runs of the windowed program: a virtual X server (xvfb-run) shows the
# window, xdotool types on it. Each run gets its own XDG_RUNTIME_DIR, so the
# single-instance lock of one run (or of a game the developer is playing)
# never meets another's.

set(MOLFO_WINDOW_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/window_run.sh)

add_test(NAME Window.NoDisplay
  COMMAND sh ${MOLFO_WINDOW_SCRIPT} nodisplay $<TARGET_FILE:molfo> ${CMAKE_CURRENT_BINARY_DIR}/window-nodisplay)
set_tests_properties(Window.NoDisplay PROPERTIES LABELS window TIMEOUT 15)

find_program(MOLFO_XVFB_RUN xvfb-run)
find_program(MOLFO_XDOTOOL xdotool)
if(MOLFO_XVFB_RUN AND MOLFO_XDOTOOL)
  foreach(pair Escape:escape Close:close SecondCopy:second Screenshot:screenshot Practice:practice Replay:replay)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 mode)
    add_test(NAME Window.${name}
      COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1024x768x24"
        sh ${MOLFO_WINDOW_SCRIPT} ${mode} $<TARGET_FILE:molfo> ${CMAKE_CURRENT_BINARY_DIR}/window-${mode})
    # xvfb-run -a can pick the same free display twice when started at once.
    set_tests_properties(Window.${name} PROPERTIES LABELS window TIMEOUT 20 RESOURCE_LOCK xvfb)
  endforeach()
  # What X shows against the game's own picture needs room for 2x and xwd.
  find_program(MOLFO_XWD xwd)
  find_program(MOLFO_PYTHON3 python3)
  if(MOLFO_XWD AND MOLFO_PYTHON3)
    add_test(NAME Window.OnScreen
      COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1400x1200x24"
        sh ${MOLFO_WINDOW_SCRIPT} onscreen $<TARGET_FILE:molfo> ${CMAKE_CURRENT_BINARY_DIR}/window-onscreen)
    set_tests_properties(Window.OnScreen PROPERTIES LABELS window TIMEOUT 40 RESOURCE_LOCK xvfb)
    add_test(NAME Window.InPlay
      COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1400x1200x24"
        sh ${MOLFO_WINDOW_SCRIPT} inplay $<TARGET_FILE:molfo> ${CMAKE_CURRENT_BINARY_DIR}/window-inplay)
    set_tests_properties(Window.InPlay PROPERTIES LABELS window TIMEOUT 60 RESOURCE_LOCK xvfb)
  else()
    message(STATUS "xwd or python3 not found: what the window shows is not compared")
  endif()
else()
  message(STATUS "xvfb-run or xdotool not found: the window runs are not tested")
endif()
