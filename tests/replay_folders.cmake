# Kept replays in hostile folders, end to end (see scripts/replay_folders.sh).
add_test(NAME Replay.HostileFoldersKeepTheNewGameAndThePlayersFiles
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/scripts/replay_folders.sh $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}
    ${CMAKE_CURRENT_BINARY_DIR}/replay-folders)
set_tests_properties(Replay.HostileFoldersKeepTheNewGameAndThePlayersFiles PROPERTIES LABELS e2e TIMEOUT 120)
