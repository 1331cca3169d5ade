# The real window meeting the player's files and signals (see
# scripts/window_files.sh): settings files kept as written, hostile ones
# costing a line, SIGHUP and SIGQUIT keeping the game in play.
find_program(MOLFO_XVFB_RUN xvfb-run)
find_program(MOLFO_XDOTOOL xdotool)
if(MOLFO_XVFB_RUN AND MOLFO_XDOTOOL)
  foreach(pair UntouchedSettingsStayByteForByte:unchanged AChangedVolumeKeepsTheRestOfTheFile:volume
               ABrokenSettingsFileIsKeptBeforeItIsReplaced:typo SettingsAreWrittenThroughALink:link
               ASettingsPipeNeitherBlocksNorIsWritten:pipe ALoopOfLinksIsNeverReplaced:loop
               AHugeSettingsFileCostsOneLine:huge DeepDottedKeysCostOneLine:dotted
               AStrayCharacterInTheSettingsCostsOneLine:bom HangupKeepsTheGame:hup
               NohupIsObeyed:nohup QuitKeepsTheGameThenDies:quit)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 mode)
    add_test(NAME Window.${name}
      COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 1024x768x24"
        sh ${CMAKE_CURRENT_SOURCE_DIR}/scripts/window_files.sh ${mode} $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}
          ${CMAKE_CURRENT_BINARY_DIR}/window-files-${mode})
    set_tests_properties(Window.${name} PROPERTIES LABELS window TIMEOUT 90 RESOURCE_LOCK xvfb)
  endforeach()
endif()
