# The game meets the online table (tests/scripts/online_run.sh): a kept
# replay sent with --submit to a molfo-server of the test's own on
# 127.0.0.1, and the window sending its games, its table down, then up.

set(MOLFO_ONLINE_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/online_run.sh)

add_test(NAME Online.SubmitAKeptReplay
  COMMAND sh ${MOLFO_ONLINE_SCRIPT} submit $<TARGET_FILE:molfo> $<TARGET_FILE:molfo-server> ${CMAKE_BINARY_DIR}
    ${CMAKE_CURRENT_BINARY_DIR}/online-submit)
set_tests_properties(Online.SubmitAKeptReplay PROPERTIES LABELS server TIMEOUT 300)

find_program(MOLFO_XVFB_RUN xvfb-run)
find_program(MOLFO_XDOTOOL xdotool)
if(MOLFO_XVFB_RUN AND MOLFO_XDOTOOL)
  add_test(NAME Window.SendsItsGamesWhenTheTableIsBack
    COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1024x768x24"
      sh ${MOLFO_ONLINE_SCRIPT} window $<TARGET_FILE:molfo> $<TARGET_FILE:molfo-server> ${CMAKE_BINARY_DIR}
        ${CMAKE_CURRENT_BINARY_DIR}/online-window)
  # A game played to its end in real time: half a minute or more.
  set_tests_properties(Window.SendsItsGamesWhenTheTableIsBack PROPERTIES LABELS "window;server;slow" TIMEOUT 600
    RESOURCE_LOCK xvfb)
endif()

# The sanitizer's runtime reserves terabytes of address space for its shadow
# memory, so a verifier held to 1 GiB of it cannot start: the table of a
# sanitizer build verifies without that limit.
if(MOLFO_SANITIZE)
  set_property(TEST Online.SubmitAKeptReplay APPEND PROPERTY ENVIRONMENT MOLFO_VERIFY_MEMORY=0)
  if(TEST Window.SendsItsGamesWhenTheTableIsBack)
    set_property(TEST Window.SendsItsGamesWhenTheTableIsBack APPEND PROPERTY ENVIRONMENT MOLFO_VERIFY_MEMORY=0)
  endif()
endif()
