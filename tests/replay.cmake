# Replays through the program itself: every recording in tests/golden/ must
# still play to the same state, and a damaged recording must be refused.
#
# A golden recording fails whenever the game's behaviour changes, which is
# its point: a change that means to alter behaviour re-records it (the
# command is at the top of its .txt script) and updates the .hash beside it.

set(MOLFO_REPLAY_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/replay_run.sh)

file(GLOB MOLFO_GOLDEN_REPLAYS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/golden/*.rec)
foreach(rec ${MOLFO_GOLDEN_REPLAYS})
  get_filename_component(name ${rec} NAME_WE)
  add_test(NAME Replay.Golden.${name}
    COMMAND sh ${MOLFO_REPLAY_SCRIPT} golden $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR} ${rec}
      ${CMAKE_CURRENT_BINARY_DIR}/replay-golden-${name})
  set_tests_properties(Replay.Golden.${name} PROPERTIES LABELS e2e TIMEOUT 60)
endforeach()

add_test(NAME Replay.CorruptByte
  COMMAND sh ${MOLFO_REPLAY_SCRIPT} corrupt $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR} - ${CMAKE_CURRENT_BINARY_DIR}/replay-corrupt)
set_tests_properties(Replay.CorruptByte PROPERTIES LABELS e2e TIMEOUT 60)

add_test(NAME Replay.HelpListsTheOptions COMMAND $<TARGET_FILE:molfo> --help)
set_tests_properties(Replay.HelpListsTheOptions PROPERTIES LABELS e2e
  PASS_REGULAR_EXPRESSION "--record.*--replay.*--verify.*--screenshot-dir.*--screenshot-every")
